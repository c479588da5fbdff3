# ORLANEK_SANITIZE builds everything with AddressSanitizer and UndefinedBehaviorSanitizer;
# any finding aborts the process so a test cannot pass over it.
option(ORLANEK_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
if(ORLANEK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
