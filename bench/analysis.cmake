ob7_bench(analysis_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/analysis_bench.cpp DEPS ob7_analysis)
