# Warnings for solvutil's own targets only; third-party code keeps its own flags.
function(solvutil_target_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(SOLVUTIL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
