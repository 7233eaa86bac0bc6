ob7_bench(plots_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/plots_bench.cpp DEPS ob7_plots)
