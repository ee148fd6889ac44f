# Every target of ours links kalvenix_build_flags: the same warnings
# everywhere, and the sanitizer build instruments every object alike.
# Warnings are errors in the presets; a plain build (a distribution's, with a
# newer compiler that warns about more) keeps them warnings.
add_library(kalvenix_build_flags INTERFACE)
target_compile_options(kalvenix_build_flags INTERFACE -Wall -Wextra)
if(KALVENIX_WERROR)
  target_compile_options(kalvenix_build_flags INTERFACE -Werror)
endif()

if(KALVENIX_SANITIZE)
  set(kalvenix_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=undefined
      -fno-omit-frame-pointer)
  add_compile_options(${kalvenix_sanitizers})
  add_link_options(-fsanitize=address,undefined)
endif()
