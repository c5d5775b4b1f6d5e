# MUMPS (sequential, double precision) and a private 32-bit-integer BLAS/LAPACK, taken
# from their static archives so that libkaldor can link them without exporting any of
# their symbols. Debian's MUMPS calls a BLAS whose symbol names (dgemm_, ...) equal
# those of the 64-bit-integer OpenBLAS used by libsolvutil; linked shared, one of the
# two callers would get the other's BLAS and pass wrongly sized integers.
#
# Defines the INTERFACE target kaldor_mumps_static (link it PRIVATE, together with
# -Wl,--exclude-libs,ALL and a version script).
set(_lib /usr/lib/x86_64-linux-gnu)
find_path(SOLVUTIL_MUMPS_INCLUDE_DIR dmumps_c.h PATHS /usr/include /usr/include/mumps_seq)
find_path(SOLVUTIL_MUMPS_SEQ_INCLUDE_DIR mpi.h PATHS /usr/include/mumps_seq NO_DEFAULT_PATH)

set(_archives
  ${_lib}/libdmumps_seq.a
  ${_lib}/libmumps_common_seq.a
  ${_lib}/libpord_seq.a
  ${_lib}/libmpiseq_seq.a
  ${_lib}/scotch-int32/libesmumps.a
  ${_lib}/scotch-int32/libscotch.a
  ${_lib}/scotch-int32/libscotcherr.a
  ${_lib}/openblas-pthread/libopenblas.a)
foreach(a IN LISTS _archives)
  if(NOT EXISTS ${a})
    message(FATAL_ERROR "Missing static archive ${a}: run scripts/setup.sh "
                        "(libmumps-seq-dev, libscotch-dev, libopenblas-pthread-dev).")
  endif()
endforeach()
if(NOT SOLVUTIL_MUMPS_INCLUDE_DIR OR NOT SOLVUTIL_MUMPS_SEQ_INCLUDE_DIR)
  message(FATAL_ERROR "MUMPS headers not found: run scripts/setup.sh (libmumps-seq-dev).")
endif()

find_library(SOLVUTIL_GFORTRAN_LIBRARY NAMES gfortran libgfortran.so.5
  PATHS /usr/lib/gcc/x86_64-linux-gnu/12 ${_lib})
find_package(Threads REQUIRED)

add_library(kaldor_mumps_static INTERFACE)
target_include_directories(kaldor_mumps_static SYSTEM INTERFACE
  ${SOLVUTIL_MUMPS_INCLUDE_DIR} ${SOLVUTIL_MUMPS_SEQ_INCLUDE_DIR})
# The archives reference each other in a cycle (MUMPS -> SCOTCH -> MUMPS error hooks).
target_link_libraries(kaldor_mumps_static INTERFACE
  "-Wl,--start-group" ${_archives} "-Wl,--end-group"
  ${SOLVUTIL_GFORTRAN_LIBRARY} Threads::Threads m)
