# Load passes of the junction and MOSFET models: 10,000 devices a pass.
ob7_bench(device_loads_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/device_loads_bench.cpp
          DEPS ob7_devices ob7_engine)
