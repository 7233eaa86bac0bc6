# Whole analyses on generated circuits beside ngspice (run when installed): an RC ladder
# transient, a CMOS ring oscillator transient, a resistor grid operating point.
ob7_bench(analysis_bench SOURCES ${CMAKE_CURRENT_LIST_DIR}/analysis_bench.cpp
          DEPS ob7_analysis ob7_devices ob7_engine)
