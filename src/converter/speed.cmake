# Speed: memory kept between conversions, and the JPEG and PNG pipelines that
# decode, resample and encode on two cores, with the band hand-over and the
# stages they share.
target_sources(quorvel_core PRIVATE
  band_queue.cpp
  band_stages.cpp
  band_worker.cpp
  conversion_memory.cpp
  jpeg_pipeline.cpp
  png_pipeline.cpp
)
