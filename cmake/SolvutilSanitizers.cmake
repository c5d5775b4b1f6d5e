# AddressSanitizer + UndefinedBehaviorSanitizer (LeakSanitizer comes with ASan on Linux).
# Applied globally so that the libraries, tests and examples agree on the runtime.
if(SOLVUTIL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=address,undefined)
endif()

# ThreadSanitizer (the tsan preset). MUMPS, SCOTCH and their BLAS are linked from
# uninstrumented archives: their own accesses are not checked, their locks and threads are
# seen through the interceptors.
if(SOLVUTIL_SANITIZE_THREAD)
  if(SOLVUTIL_SANITIZE)
    message(FATAL_ERROR "SOLVUTIL_SANITIZE and SOLVUTIL_SANITIZE_THREAD exclude each other")
  endif()
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer -g)
  add_link_options(-fsanitize=thread)
endif()

# Debug-build checks of the preconditions the library otherwise leaves to its callers
# (solvutil/kernels/debug_assert.hpp); the release build compiles them away.
if(SOLVUTIL_DEBUG_ASSERTS)
  add_compile_definitions(SOLVUTIL_DEBUG_ASSERTS)
endif()
