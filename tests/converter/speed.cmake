# The band pipelines against the whole-picture pipeline, resampling split
# between two threads against one go, and the PNG decoding split between them.
add_executable(converter_pipeline_tests jpeg_pipeline_test.cpp made_png.cpp
  png_idat_stream_test.cpp png_pipeline_test.cpp png_unfilter_test.cpp resample_split_test.cpp
  whole_picture_path.cpp)
target_link_libraries(converter_pipeline_tests PRIVATE quorvel_core quorvel_picture_checks
  PkgConfig::SPNG PkgConfig::ZLIB GTest::gtest_main)
target_compile_definitions(converter_pipeline_tests PRIVATE
  KALVENIX_TESTDATA_DIR="${KALVENIX_TESTDATA_DIR}")
gtest_discover_tests(converter_pipeline_tests DISCOVERY_TIMEOUT 30)
