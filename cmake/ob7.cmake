# Helpers shared by every subsystem's CMakeLists.txt.

# ob7_library(<name> SOURCES ... [DEPS ...])
# One static library per subsystem; its headers are reached from src/ ("foundation/x.h").
function(ob7_library name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${A_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  if(A_DEPS)
    target_link_libraries(${name} PUBLIC ${A_DEPS})
  endif()
endfunction()

# ob7_test(<name> LABEL <subsystem> SOURCES ... [DEPS ...])
# A GoogleTest executable whose tests carry the subsystem's CTest label. Tests run
# with a temporary program folder and the offscreen Qt platform, never a display.
function(ob7_test name)
  cmake_parse_arguments(A "" "LABEL" "SOURCES;DEPS" ${ARGN})
  if(NOT A_SOURCES)
    return()  # a test folder whose first test file has not landed yet
  endif()
  add_executable(${name} ${A_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name} PROPERTIES LABELS ${A_LABEL} DISCOVERY_TIMEOUT 60)
  # The environment is set by a script that ctest runs after the discovered tests are
  # declared: passed through gtest_discover_tests, a list value keeps only its first entry.
  set(env_script ${CMAKE_CURRENT_BINARY_DIR}/${name}_environment.cmake)
  file(WRITE ${env_script}
    "if(${name}_TESTS)\n"
    "  set_tests_properties(\${${name}_TESTS} PROPERTIES ENVIRONMENT \"QT_QPA_PLATFORM=offscreen;"
    "OB7_TEST_DATA=${CMAKE_SOURCE_DIR}/tests/data;OB7_DATA_DIR=${OB7_DATA_OUTPUT_DIR}\")\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${env_script})
endfunction()

# ob7_bench(<name> SOURCES ... [DEPS ...]): a Google Benchmark program under bench/.
function(ob7_bench name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${A_DEPS} benchmark::benchmark)
endfunction()
