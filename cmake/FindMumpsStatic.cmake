# MUMPS (sequential, double precision) and a private 32-bit-integer BLAS/LAPACK, taken
# from their static archives so that libkaldor can link them without exporting any of
# their symbols. Debian's MUMPS calls a BLAS whose symbol names (dgemm_, ...) equal
# those of the 64-bit-integer OpenBLAS used by libsolvutil; linked shared, one of the
# two callers would get the other's BLAS and pass wrongly sized integers.
#
# Defines the INTERFACE target kaldor_mumps_static (link it PRIVATE, together with
# -Wl,--exclude-libs,ALL and a version script).
#
# Everything is found the CMake way (lib/ and lib/<CMAKE_LIBRARY_ARCHITECTURE>/ under each
# prefix, plus the folders Debian keeps the 32-bit-integer SCOTCH and OpenBLAS in), so
# that any Debian architecture and any gcc version work.
find_path(SOLVUTIL_MUMPS_INCLUDE_DIR dmumps_c.h PATH_SUFFIXES mumps_seq)
# The sequential stub mpi.h beside the MUMPS headers, never an MPI implementation's.
find_path(SOLVUTIL_MUMPS_SEQ_INCLUDE_DIR mpi.h
  PATHS ${SOLVUTIL_MUMPS_INCLUDE_DIR}/mumps_seq ${SOLVUTIL_MUMPS_INCLUDE_DIR} NO_DEFAULT_PATH)
if(NOT SOLVUTIL_MUMPS_INCLUDE_DIR OR NOT SOLVUTIL_MUMPS_SEQ_INCLUDE_DIR)
  message(FATAL_ERROR "MUMPS headers not found: run scripts/setup.sh (libmumps-seq-dev).")
endif()

# Static archives, in link order, with the subfolder each may sit in. A PATH_SUFFIXES
# folder is searched before the bare one, so the 32-bit-integer SCOTCH and the static
# OpenBLAS are found ahead of the same names in lib/<arch>/ itself.
set(_archives "")
foreach(spec IN ITEMS dmumps_seq: mumps_common_seq: pord_seq: mpiseq_seq:
                      esmumps:scotch-int32 scotch:scotch-int32 scotcherr:scotch-int32
                      openblas:openblas-pthread)
  string(REPLACE ":" ";" spec "${spec}")
  list(GET spec 0 name)
  list(GET spec 1 suffix)
  string(TOUPPER "SOLVUTIL_STATIC_${name}" var)
  find_library(${var} NAMES lib${name}.a PATH_SUFFIXES ${suffix})
  if(NOT ${var})
    message(FATAL_ERROR "Missing static archive lib${name}.a: run scripts/setup.sh "
                        "(libmumps-seq-dev, libscotch-dev, libopenblas-pthread-dev).")
  endif()
  list(APPEND _archives ${${var}})
endforeach()

# libgfortran: where the compiler keeps it (any gcc version), else the runtime library.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libgfortran.so
  OUTPUT_VARIABLE _gfortran OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
set(_gfortran_dir "")
if(IS_ABSOLUTE "${_gfortran}")
  get_filename_component(_gfortran_dir "${_gfortran}" DIRECTORY)
endif()
find_library(SOLVUTIL_GFORTRAN_LIBRARY NAMES gfortran libgfortran.so.5 HINTS ${_gfortran_dir})
if(NOT SOLVUTIL_GFORTRAN_LIBRARY)
  message(FATAL_ERROR "libgfortran not found: run scripts/setup.sh (libgfortran-12-dev).")
endif()
find_package(Threads REQUIRED)

add_library(kaldor_mumps_static INTERFACE)
target_include_directories(kaldor_mumps_static SYSTEM INTERFACE
  ${SOLVUTIL_MUMPS_INCLUDE_DIR} ${SOLVUTIL_MUMPS_SEQ_INCLUDE_DIR})
# The archives reference each other in a cycle (MUMPS -> SCOTCH -> MUMPS error hooks).
target_link_libraries(kaldor_mumps_static INTERFACE
  "-Wl,--start-group" ${_archives} "-Wl,--end-group"
  ${SOLVUTIL_GFORTRAN_LIBRARY} Threads::Threads m)
