# Helpers that give every subsystem library, test program, benchmark and fuzz target the same shape.

# kelmo_library(NAME name SOURCES ... [DEPENDS ...]): the library of one subsystem folder under src/.
# Headers are included as "<folder>/<file>.h" from src/.
function(kelmo_library)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES;DEPENDS" ${ARGN})
  add_library(${ARG_NAME} STATIC ${ARG_SOURCES})
  target_include_directories(${ARG_NAME} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${ARG_NAME} PUBLIC ${ARG_DEPENDS})
endfunction()

# kelmo_test(NAME name SOURCES ... [DEPENDS ...]): one GoogleTest program registered with CTest.
# Tests run in the build folder of their program; KELMO_TEST_DATA points at tests/data.
function(kelmo_test)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_include_directories(${ARG_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_DEPENDS} GTest::gmock GTest::gtest_main)
  target_compile_definitions(${ARG_NAME} PRIVATE KELMO_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  gtest_discover_tests(${ARG_NAME} DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 300)
endfunction()

# kelmo_benchmark(NAME name SOURCES ... [DEPENDS ...]): a Google Benchmark program (not run by CTest).
function(kelmo_benchmark)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_include_directories(${ARG_NAME} PRIVATE ${PROJECT_SOURCE_DIR}/bench)
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_DEPENDS} benchmark::benchmark)
endfunction()

# kelmo_fuzzer(NAME name SOURCES ... [DEPENDS ...]): a libFuzzer target.
function(kelmo_fuzzer)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_DEPENDS})
  target_link_options(${ARG_NAME} PRIVATE -fsanitize=fuzzer)
  set_property(GLOBAL APPEND PROPERTY KELMO_FUZZERS ${ARG_NAME})
endfunction()
