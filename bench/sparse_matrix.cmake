# Factor and solve of MNA matrices (RC ladders, resistor grids), beside SuiteSparse KLU as
# a reference when it is installed (Debian libsuitesparse-dev).
ob7_bench(sparse_matrix_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/sparse_matrix_bench.cpp
          DEPS ob7_engine)
find_path(OB7_KLU_INCLUDE_DIR klu.h PATH_SUFFIXES suitesparse)
find_library(OB7_KLU_LIBRARY klu)
if(OB7_KLU_INCLUDE_DIR AND OB7_KLU_LIBRARY)
  target_compile_definitions(sparse_matrix_bench PRIVATE OB7_WITH_KLU)
  target_include_directories(sparse_matrix_bench PRIVATE ${OB7_KLU_INCLUDE_DIR})
  target_link_libraries(sparse_matrix_bench PRIVATE ${OB7_KLU_LIBRARY})
endif()
