ob7_bench(analysis_runs_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/analysis_runs_bench.cpp DEPS ob7_analysis_runs)
