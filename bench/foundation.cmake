ob7_bench(foundation_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/foundation_bench.cpp DEPS ob7_foundation)
