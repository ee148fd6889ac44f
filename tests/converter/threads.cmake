# The band queue, the band feed, the band worker and the converter context on
# their own. Labelled `threads`: the tsan preset builds and runs only these
# under ThreadSanitizer.
add_executable(converter_threads_tests band_feed_test.cpp band_queue_test.cpp
  band_worker_test.cpp buffer_pool_test.cpp converter_context_test.cpp)
target_link_libraries(converter_threads_tests PRIVATE quorvel_core kalvenix_build_flags
  GTest::gtest_main Threads::Threads)
gtest_discover_tests(converter_threads_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 30
  PROPERTIES LABELS threads)
