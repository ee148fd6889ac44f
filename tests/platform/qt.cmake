# Tests of kalvenix_platform_qt: the open dialog adapter on Qt's real file
# dialog and the message box, drawn off screen.
add_executable(qt_open_dialog_test qt_open_dialog_test.cpp)
set_target_properties(qt_open_dialog_test PROPERTIES AUTOMOC ON)
target_link_libraries(qt_open_dialog_test PRIVATE kalvenix_build_flags kalvenix_platform_qt
                      kalvenix_test_support_qt)
add_test(NAME qt_open_dialog_test COMMAND qt_open_dialog_test)
set_tests_properties(qt_open_dialog_test PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" TIMEOUT 60)
