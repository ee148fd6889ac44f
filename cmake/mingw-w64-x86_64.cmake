# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads, for std::thread), run
# under Wine. The codecs come from scripts/build-windows-deps, static, in KALVENIX_WINDOWS_DEPS.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(kalvenix_host x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${kalvenix_host}-gcc-posix)
set(CMAKE_CXX_COMPILER ${kalvenix_host}-g++-posix)
set(CMAKE_RC_COMPILER ${kalvenix_host}-windres)
set(CMAKE_AR ${kalvenix_host}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${kalvenix_host}-ranlib CACHE FILEPATH "")

# try_compile re-reads this file in a folder of its own, where only the environment and the
# variables named here survive.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KALVENIX_WINDOWS_DEPS)
if(NOT KALVENIX_WINDOWS_DEPS)
  if(DEFINED ENV{KALVENIX_WINDOWS_DEPS})
    set(KALVENIX_WINDOWS_DEPS "$ENV{KALVENIX_WINDOWS_DEPS}")
  else()
    get_filename_component(KALVENIX_WINDOWS_DEPS "${CMAKE_CURRENT_LIST_DIR}/../build/windows-deps"
                           ABSOLUTE)
  endif()
endif()
set(KALVENIX_WINDOWS_DEPS "${KALVENIX_WINDOWS_DEPS}" CACHE PATH
    "Prefix of the codec libraries built for Windows by scripts/build-windows-deps")

set(CMAKE_FIND_ROOT_PATH /usr/${kalvenix_host} "${KALVENIX_WINDOWS_DEPS}")
# The host's pkg-config, reading only the prefix's files, never the host's.
set(ENV{PKG_CONFIG_LIBDIR} "${KALVENIX_WINDOWS_DEPS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A program or DLL that needs no runtime DLLs beside it runs from any folder, Wine's included.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests and gtest_discover_tests run the .exe through Wine, in a Wine prefix of the build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run;${CMAKE_BINARY_DIR}/wineprefix")
