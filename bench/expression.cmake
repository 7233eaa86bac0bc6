ob7_bench(expression_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/expression_bench.cpp DEPS ob7_expression)
