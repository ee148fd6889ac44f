# kalvenix_platform_qt: the platform services that need Qt Widgets (the open
# dialog adapter and the message box), apart from the Qt-free runtime.
add_library(kalvenix_platform_qt STATIC
  open_dialog.h qt_open_dialog.h qt_open_dialog.cpp message_box.h message_box.cpp)
target_include_directories(kalvenix_platform_qt PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(kalvenix_platform_qt PUBLIC kalvenix_build_flags Qt6::Widgets)
