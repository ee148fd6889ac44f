# Speed: the converter context with its worker thread, and the JPEG and PNG
# pipelines that decode, resample and encode on two cores, with the band
# hand-over and the stages they share; PNG rows inflated on one core and
# unfiltered on the other.
target_sources(quorvel_core PRIVATE
  band_feed.cpp
  band_queue.cpp
  band_stages.cpp
  band_worker.cpp
  conversion_plan.cpp
  converter_context.cpp
  jpeg_pipeline.cpp
  png_idat_stream.cpp
  png_pipeline.cpp
  png_unfilter.cpp
)
