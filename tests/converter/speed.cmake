# The plan's table, the band pipelines against the whole-picture pipeline and
# with the worker against without, resampling split between two threads
# against one go, and the PNG decoding split between them.
add_executable(converter_pipeline_tests conversion_plan_test.cpp convert_file_test.cpp
  jpeg_pipeline_test.cpp made_png.cpp
  png_idat_stream_test.cpp png_pipeline_test.cpp png_unfilter_test.cpp resample_split_test.cpp
  whole_picture_path.cpp)
target_link_libraries(converter_pipeline_tests PRIVATE quorvel_core quorvel_picture_checks
  PkgConfig::SPNG PkgConfig::ZLIB kalvenix_test_support_converter GTest::gtest_main)
gtest_discover_tests(converter_pipeline_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 30)
