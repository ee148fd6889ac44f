# Pipeline, writing and the component: target_sources(quorvel_core PRIVATE ...) and Quorvel.so
target_sources(quorvel_core PRIVATE
  alpha.cpp
  atomic_file.cpp
  bmp_writer.cpp
  convert_ex_call.cpp
  convert_file.cpp
  encode.cpp
  fit_size.cpp
  gif_writer.cpp
  jpeg_writer.cpp
  output_type.cpp
  png_row_filter.cpp
  png_writer.cpp
  quantize.cpp
  resample.cpp
  resample_rows.cpp
  resample_kernel.cpp
  same_file.cpp
  source_file.cpp
  utf16_text.cpp)

# The component: only DllRegisterServer, DllUnregisterServer and
# CompGetClassObject are visible (the project builds with hidden visibility).
# MODULE, because it is only ever loaded with dlopen, never linked against.
add_library(Quorvel MODULE compendium.cpp component_exports.cpp)
set_target_properties(Quorvel PROPERTIES PREFIX "" OUTPUT_NAME Quorvel SUFFIX ".so")
target_link_libraries(Quorvel PRIVATE quorvel_core kalvenix_runtime kalvenix_build_flags
                      ${CMAKE_DL_LIBS})
target_link_options(Quorvel PRIVATE
  -Wl,--version-script=${CMAKE_CURRENT_SOURCE_DIR}/quorvel.map)
set_property(TARGET Quorvel APPEND PROPERTY LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/quorvel.map)
if(NOT KALVENIX_SANITIZE)
  # An unresolved symbol would otherwise surface only at dlopen, as a failed
  # creation the batch silently skips.
  target_link_options(Quorvel PRIVATE -Wl,--no-undefined)
endif()
