# Compiling read text circuits into the device lists: 100,000 flat devices, 10,000 calls.
ob7_bench(circuit_compiler_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/circuit_compiler_bench.cpp
          DEPS ob7_compiler ob7_netlist ob7_expression)
