# Locates a BLAS/LAPACK that takes 64-bit integers (Debian: libopenblas64-pthread-dev)
# and defines the imported target solvutil::blas64.
#
# A 32-bit-integer BLAS would silently read the low halves of our int64 arguments, so
# configuration stops unless a probe program proves that the library reads all 64 bits.
#
# The search is CMake's own: every prefix's lib/ and, on multiarch systems such as Debian,
# lib/<CMAKE_LIBRARY_ARCHITECTURE>/ (where Debian's alternatives link the variant chosen
# on the system), then the folders of Debian's OpenBLAS64 variants below them. Set
# SOLVUTIL_BLAS64_LIBRARY to choose a library yourself.
find_library(SOLVUTIL_BLAS64_LIBRARY
  NAMES openblas64
  DOC "64-bit-integer BLAS/LAPACK (OpenBLAS64)")
if(NOT SOLVUTIL_BLAS64_LIBRARY)
  find_library(SOLVUTIL_BLAS64_LIBRARY
    NAMES openblas64
    PATH_SUFFIXES openblas64-pthread openblas64-openmp openblas64-serial
    DOC "64-bit-integer BLAS/LAPACK (OpenBLAS64)")
endif()

if(NOT SOLVUTIL_BLAS64_LIBRARY)
  find_library(_solvutil_blas32 NAMES openblas blas)
  if(_solvutil_blas32)
    message(FATAL_ERROR
      "solvutil needs a BLAS/LAPACK with 64-bit integers, but only a 32-bit-integer BLAS "
      "was found (${_solvutil_blas32}). Install libopenblas64-pthread-dev "
      "(scripts/setup.sh does this) or set SOLVUTIL_BLAS64_LIBRARY.")
  endif()
  message(FATAL_ERROR
    "solvutil needs a BLAS/LAPACK with 64-bit integers (OpenBLAS64). Install "
    "libopenblas64-pthread-dev (scripts/setup.sh does this) or set SOLVUTIL_BLAS64_LIBRARY.")
endif()

if(NOT DEFINED SOLVUTIL_BLAS64_PROBE_OK)
  try_run(_run_result _compile_result
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/probe_blas64.c
    LINK_LIBRARIES ${SOLVUTIL_BLAS64_LIBRARY}
    COMPILE_OUTPUT_VARIABLE _compile_output
    RUN_OUTPUT_VARIABLE _run_output)
  if(NOT _compile_result)
    message(FATAL_ERROR "Could not link the BLAS probe against ${SOLVUTIL_BLAS64_LIBRARY}:\n${_compile_output}")
  endif()
  if(NOT _run_result EQUAL 0)
    message(FATAL_ERROR
      "${SOLVUTIL_BLAS64_LIBRARY} does not take 64-bit integers (probe: ${_run_output}). "
      "solvutil needs an ILP64 BLAS such as Debian's libopenblas64-pthread-dev.")
  endif()
  set(SOLVUTIL_BLAS64_PROBE_OK TRUE CACHE INTERNAL "BLAS64 probe passed")
  message(STATUS "64-bit-integer BLAS: ${SOLVUTIL_BLAS64_LIBRARY}")
endif()

add_library(solvutil::blas64 UNKNOWN IMPORTED)
set_target_properties(solvutil::blas64 PROPERTIES IMPORTED_LOCATION ${SOLVUTIL_BLAS64_LIBRARY})
