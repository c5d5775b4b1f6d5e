# AddressSanitizer + UndefinedBehaviorSanitizer (LeakSanitizer comes with ASan on Linux).
# Applied globally so that the libraries, tests and examples agree on the runtime.
if(SOLVUTIL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
endif()
