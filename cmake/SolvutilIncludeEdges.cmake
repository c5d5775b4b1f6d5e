# Declared include edges between the parts of the repository, and the ctest check that
# every #include between two parts follows them (scripts/check-include-edges.sh).
#
# An area is a folder of the repository; a file belongs to the longest declared area
# that contains it. An area may include its own headers and those of the areas it USES
# (a USES entry names an area or a folder of areas: "solvutil" covers every subsystem).
# The library's subsystems declare theirs through solvutil_add_subsystem.

# solvutil_declare_include_area(<area> USES <area or folder>...)
function(solvutil_declare_include_area area)
  cmake_parse_arguments(ARG "" "" "USES" ${ARGN})
  list(JOIN ARG_USES " " deps)
  set_property(GLOBAL APPEND PROPERTY SOLVUTIL_INCLUDE_GRAPH "${area} ${deps}")
endfunction()

# Writes the graph into the build tree and adds two tests: the check on the sources, and
# the check against a graph without solvers -> kernels, which must report that edge.
function(solvutil_add_include_edge_tests)
  get_property(graph GLOBAL PROPERTY SOLVUTIL_INCLUDE_GRAPH)
  list(JOIN graph "\n" text)
  file(WRITE ${PROJECT_BINARY_DIR}/include_edges.txt "${text}\n")
  list(TRANSFORM graph REPLACE "^solvutil/solvers .*" "solvutil/solvers")
  list(JOIN graph "\n" text)
  file(WRITE ${PROJECT_BINARY_DIR}/include_edges_without_solvers.txt "${text}\n")

  set(script ${PROJECT_SOURCE_DIR}/scripts/check-include-edges.sh)
  add_test(NAME IncludeEdges.FollowTheDeclaredGraph
    COMMAND bash ${script} ${PROJECT_SOURCE_DIR} ${PROJECT_BINARY_DIR}/include_edges.txt)
  add_test(NAME IncludeEdges.CheckRejectsAnUndeclaredEdge
    COMMAND bash ${script} ${PROJECT_SOURCE_DIR}
            ${PROJECT_BINARY_DIR}/include_edges_without_solvers.txt)
  set_tests_properties(IncludeEdges.CheckRejectsAnUndeclaredEdge PROPERTIES
    PASS_REGULAR_EXPRESSION "solvutil/solvers/[a-z_]+\\.cpp includes solvutil/kernels/")
endfunction()
