# Every target of ours links kalvenix_build_flags: warnings are errors, and the
# sanitizer build instruments every object alike.
add_library(kalvenix_build_flags INTERFACE)
target_compile_options(kalvenix_build_flags INTERFACE -Wall -Wextra -Werror)

if(KALVENIX_SANITIZE)
  set(kalvenix_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=undefined
      -fno-omit-frame-pointer)
  add_compile_options(${kalvenix_sanitizers})
  add_link_options(-fsanitize=address,undefined)
endif()
