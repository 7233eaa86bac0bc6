ob7_bench(netlist_reader_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/netlist_reader_bench.cpp DEPS ob7_netlist ob7_expression)
