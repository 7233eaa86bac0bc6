ob7_bench(model_index_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/model_index_bench.cpp DEPS ob7_netlist ob7_expression)
