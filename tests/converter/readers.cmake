# Reader tests: run the readers on the shared test pictures; Qt's QImage is
# the independent decoder the expected pixels come from (tests only; the
# converter itself never links Qt).
add_executable(converter_readers_test
  bmp_reader_test.cpp
  colour_profile_test.cpp
  dct_scale_test.cpp
  exif_orientation_test.cpp
  gif_lzw_test.cpp
  gif_reader_test.cpp
  hostile_input_test.cpp
  jpeg_reader_test.cpp
  made_gif.cpp
  png_reader_test.cpp
  sniff_test.cpp
  test_pictures.cpp
)
target_link_libraries(converter_readers_test PRIVATE quorvel_core kalvenix_build_flags
  kalvenix_test_support Qt6::Gui GTest::gtest_main Threads::Threads PkgConfig::ZLIB)
gtest_discover_tests(converter_readers_test DISCOVERY_MODE PRE_TEST
  PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
  DISCOVERY_TIMEOUT 60)
