# Pipeline, writer and component tests. Qt's readers decode what our writers
# wrote, so a fault shared by our reader and writer cannot hide itself.
add_library(quorvel_picture_checks STATIC picture_checks.cpp picture_checks_qt.cpp)
target_include_directories(quorvel_picture_checks PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(quorvel_picture_checks
  PUBLIC quorvel_core kalvenix_test_support Qt6::Gui kalvenix_build_flags)

add_executable(converter_writer_tests
  atomic_file_posix_test.cpp
  atomic_file_test.cpp
  convert_ex_call_test.cpp
  fit_size_test.cpp
  gif_writer_test.cpp
  resample_test.cpp
  resample_rows_test.cpp
  png_row_filter_test.cpp
  utf16_text_test.cpp
  writers_test.cpp)
target_link_libraries(converter_writer_tests PRIVATE quorvel_core quorvel_picture_checks
                      kalvenix_test_support_component GTest::gtest_main)
gtest_discover_tests(converter_writer_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 30
                     PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)

add_executable(converter_component_tests component_test.cpp)
target_link_libraries(converter_component_tests PRIVATE quorvel_picture_checks
                      kalvenix_test_support_component GTest::gtest_main)
target_compile_definitions(converter_component_tests PRIVATE
  QUORVEL_PATH="$<TARGET_FILE:Quorvel>")
add_dependencies(converter_component_tests Quorvel)
gtest_discover_tests(converter_component_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 30
                     PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen)

# What a conversion leaves in its host process. Links libgomp to set and read
# the host's OpenMP thread count, and exports its own mallopt to see calls.
add_executable(converter_host_effects_tests host_effects_test.cpp made_png.cpp)
target_link_libraries(converter_host_effects_tests PRIVATE quorvel_core
                      kalvenix_test_support_component GTest::gtest_main gomp ${CMAKE_DL_LIBS})
target_link_options(converter_host_effects_tests PRIVATE -Wl,--export-dynamic-symbol=mallopt)
target_compile_definitions(converter_host_effects_tests PRIVATE
  QUORVEL_PATH="$<TARGET_FILE:Quorvel>")
add_dependencies(converter_host_effects_tests Quorvel)
gtest_discover_tests(converter_host_effects_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 30)
