# Speed: memory kept between conversions, and the JPEG pipeline that decodes,
# resamples and encodes on two cores, with the band hand-over and stages
# meant for every streaming reader.
target_sources(quorvel_core PRIVATE
  band_queue.cpp
  band_stages.cpp
  band_worker.cpp
  conversion_memory.cpp
  jpeg_pipeline.cpp
)
