ob7_bench(framework_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/framework_bench.cpp DEPS ob7_framework)
