# Every library comes from Debian 12 packages installed by scripts/setup.
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

find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Test)

if(KALVENIX_BUILD_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
