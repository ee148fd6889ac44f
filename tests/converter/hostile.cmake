# Hostile input through the real component: every test picture of the
# manifest, headers declaring huge sizes, sources that are no regular file or
# change while read, unwritable folders, a full disk and a card's file system
# that ignores case. Each conversion runs
# in a child process, so a crash, hang or runaway allocation fails one case.
add_library(hostile_test_support STATIC hostile_support.cpp)
target_link_libraries(hostile_test_support
  PUBLIC kalvenix_build_flags kalvenix_test_support_component Qt6::Gui)
target_compile_definitions(hostile_test_support PRIVATE
  KALVENIX_FUZZ_REGRESSIONS_DIR="${CMAKE_SOURCE_DIR}/fuzz/regressions"
  KALVENIX_QUORVEL_PATH="$<TARGET_FILE:Quorvel>")
add_dependencies(hostile_test_support Quorvel)

foreach(name manifest hostile_source hostile_destination case_folding)
  add_executable(converter_${name}_test ${name}_test.cpp)
  target_link_libraries(converter_${name}_test PRIVATE hostile_test_support)
  if(name MATCHES "hostile_destination|case_folding")
    # Its main enters a private mount namespace before any thread starts.
    target_link_libraries(converter_${name}_test PRIVATE kalvenix_test_support_mount_main)
  else()
    target_link_libraries(converter_${name}_test PRIVATE GTest::gtest_main)
  endif()
  gtest_discover_tests(converter_${name}_test DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen LABELS hostile)
endforeach()
