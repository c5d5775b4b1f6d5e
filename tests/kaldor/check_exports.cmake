# Fails when LIBRARY exports a BLAS, LAPACK, MUMPS, SCOTCH or gfortran-runtime symbol.
# Usage: cmake -DLIBRARY=<path> -P check_exports.cmake
cmake_policy(SET CMP0007 NEW)
find_program(NM nm REQUIRED)
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR symbols STREQUAL "")
  message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${symbols}")
set(bad "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] " "" name "${line}")
  # Fortran-style BLAS/LAPACK/MUMPS names end in an underscore (dgemm_, dsytrf_,
  # dmumps_c is C but MUMPS-internal names start with mumps_/dmumps); SCOTCH names
  # start with SCOTCH_/_SCOTCH; OpenBLAS adds cblas_, openblas_, goto*, LAPACKE_.
  if(name MATCHES "^[a-z][a-z0-9_]*_$"
     OR name MATCHES "(^|_)d?mumps"
     OR name MATCHES "^_?SCOTCH|^scotch|^esmumps|^pord"
     OR name MATCHES "^cblas_|^openblas|^goto|^LAPACKE|^lapack"
     OR name MATCHES "^_gfortran|^mpi_|^MPI_")
    list(APPEND bad "${name}")
  endif()
endforeach()
list(LENGTH lines total)
if(bad)
  message(FATAL_ERROR "${LIBRARY} exports private symbols: ${bad}")
endif()
message(STATUS "${LIBRARY}: ${total} exported symbols, none from MUMPS/SCOTCH/BLAS/LAPACK")
