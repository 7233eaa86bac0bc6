ob7_bench(digital_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/digital_bench.cpp DEPS ob7_digital)
