ob7_bench(app_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/app_bench.cpp DEPS ob7_app)
