# Speed: memory kept between conversions, and the JPEG pipeline that decodes,
# resamples and encodes on two cores.
target_sources(quorvel_core PRIVATE
  band_worker.cpp
  conversion_memory.cpp
  jpeg_pipeline.cpp
)
