# Every library comes from Debian 12 packages installed by scripts/setup; for Windows, from
# their source packages, built by scripts/build-windows-deps (the toolchain file points
# pkg-config and find_* at that prefix).
if(WIN32)
  foreach(lib zlib libjpeg-turbo libspng giflib libimagequant lcms2 libexif googletest)
    if(NOT EXISTS "${KALVENIX_WINDOWS_DEPS}/stamps/${lib}")
      message(FATAL_ERROR "${lib} for Windows is not in ${KALVENIX_WINDOWS_DEPS}; build the "
                          "libraries with: scripts/build-windows-deps ${KALVENIX_WINDOWS_DEPS}")
    endif()
  endforeach()
endif()
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)

pkg_check_modules(JPEG REQUIRED IMPORTED_TARGET libjpeg)
pkg_check_modules(SPNG REQUIRED IMPORTED_TARGET spng)
pkg_check_modules(IMAGEQUANT REQUIRED IMPORTED_TARGET imagequant)
pkg_check_modules(LCMS2 REQUIRED IMPORTED_TARGET lcms2)
pkg_check_modules(EXIF REQUIRED IMPORTED_TARGET libexif)
pkg_check_modules(ZLIB REQUIRED IMPORTED_TARGET zlib)

# giflib ships no pkg-config file.
find_path(GIF_INCLUDE_DIR gif_lib.h REQUIRED)
find_library(GIF_LIBRARY gif REQUIRED)
add_library(kalvenix_gif INTERFACE)
target_include_directories(kalvenix_gif INTERFACE ${GIF_INCLUDE_DIR})
target_link_libraries(kalvenix_gif INTERFACE ${GIF_LIBRARY})

if(NOT WIN32)
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Test)
endif()

if(KALVENIX_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
