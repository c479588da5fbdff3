# Our own targets build with every warning on and treated as an error.
function(orlanek_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
endfunction()
