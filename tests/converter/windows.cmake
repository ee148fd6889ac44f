# The converter core's suites that need neither Qt (the independent decoder
# of the reader and writer tests), nor the component, nor fork, mount
# namespaces or /proc; and the Windows file backend's own cases.
add_library(quorvel_picture_checks STATIC picture_checks.cpp)
target_include_directories(quorvel_picture_checks PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(quorvel_picture_checks
  PUBLIC quorvel_core kalvenix_test_support kalvenix_build_flags)

add_executable(converter_core_tests
  atomic_file_test.cpp
  dct_scale_test.cpp
  file_windows_test.cpp
  fit_size_test.cpp
  gif_lzw_test.cpp
  made_gif.cpp
  png_row_filter_test.cpp
  resample_rows_test.cpp)
target_link_libraries(converter_core_tests PRIVATE quorvel_core quorvel_picture_checks
  GTest::gtest_main)
gtest_discover_tests(converter_core_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)

add_executable(converter_pipeline_tests conversion_plan_test.cpp convert_file_test.cpp
  jpeg_pipeline_test.cpp made_png.cpp
  png_idat_stream_test.cpp png_pipeline_test.cpp png_unfilter_test.cpp resample_split_test.cpp
  whole_picture_path.cpp)
target_link_libraries(converter_pipeline_tests PRIVATE quorvel_core quorvel_picture_checks
  PkgConfig::SPNG PkgConfig::ZLIB kalvenix_test_support_converter GTest::gtest_main)
gtest_discover_tests(converter_pipeline_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)

add_executable(converter_route_phase_test route_phase_test.cpp made_png.cpp
  whole_picture_path.cpp)
target_link_libraries(converter_route_phase_test PRIVATE quorvel_core quorvel_picture_checks
  kalvenix_test_support_converter PkgConfig::JPEG PkgConfig::ZLIB GTest::gtest_main)
gtest_discover_tests(converter_route_phase_test DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120)

# The converter context's case counts threads through /proc and stays on Linux.
add_executable(converter_threads_tests band_feed_test.cpp band_queue_test.cpp
  band_worker_test.cpp buffer_pool_test.cpp)
target_link_libraries(converter_threads_tests PRIVATE quorvel_core kalvenix_build_flags
  GTest::gtest_main Threads::Threads)
gtest_discover_tests(converter_threads_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
  PROPERTIES LABELS threads)
