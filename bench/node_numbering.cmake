ob7_bench(node_numbering_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/node_numbering_bench.cpp DEPS ob7_circuit)
