# Every target of ours links kalvenix_build_flags: the same warnings
# everywhere, and the sanitizer build instruments every object alike.
# Warnings are errors in the presets; a plain build (a distribution's, with a
# newer compiler that warns about more) keeps them warnings.
add_library(kalvenix_build_flags INTERFACE)
target_compile_options(kalvenix_build_flags INTERFACE -Wall -Wextra)
# What a mutex guards is declared (converter/thread_annotations.h); only
# clang checks it.
if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  target_compile_options(kalvenix_build_flags INTERFACE -Wthread-safety)
endif()
if(KALVENIX_WERROR)
  target_compile_options(kalvenix_build_flags INTERFACE -Werror)
endif()

if(KALVENIX_SANITIZE)
  set(kalvenix_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=undefined
      -fno-omit-frame-pointer)
  add_compile_options(${kalvenix_sanitizers})
  add_link_options(-fsanitize=address,undefined)
endif()

# ThreadSanitizer, for the tests of the code with threads (the tsan preset).
if(KALVENIX_TSAN)
  if(KALVENIX_SANITIZE)
    message(FATAL_ERROR "KALVENIX_TSAN and KALVENIX_SANITIZE cannot be combined")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()
