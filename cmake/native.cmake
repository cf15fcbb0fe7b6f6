# Native build: engine library, unit tests, benchmarks, tools.
velune_simd_flags(${ENGINE_SOURCES})
add_library(velune_engine STATIC ${ENGINE_SOURCES})
target_include_directories(velune_engine PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tools)
target_compile_options(velune_engine PRIVATE ${VELUNE_WARNINGS})

if(VELUNE_SANITIZE)
  # GCC's "undefined" leaves out float-to-int overflow and float division by
  # zero; both stand for a fault here, never for an intended result.
  set(SAN -fsanitize=address,undefined,float-cast-overflow,float-divide-by-zero
      -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_options(velune_engine PUBLIC ${SAN})
  # The engine at -O1 runs the checked tests several times faster than at
  # -O0 and keeps the reports' stacks whole; the tests themselves stay at
  # -O0, where sanitized gtest code compiles quickly.
  target_compile_options(velune_engine PRIVATE -O1)
  target_link_options(velune_engine PUBLIC ${SAN})
endif()

enable_testing()
find_package(GTest REQUIRED)
file(GLOB UNIT_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/unit/*.cpp)
add_executable(velune_unit_tests ${UNIT_TEST_SOURCES})
target_link_libraries(velune_unit_tests PRIVATE velune_engine GTest::gtest GTest::gtest_main)
target_compile_options(velune_unit_tests PRIVATE ${VELUNE_WARNINGS})
# Parsing gtest is most of a test file's compile time: once per program.
target_precompile_headers(velune_unit_tests PRIVATE <gtest/gtest.h> <algorithm> <cmath> <cstdint> <string> <vector>)
add_test(NAME unit COMMAND velune_unit_tests)

if(NOT VELUNE_SANITIZE)
  find_package(benchmark QUIET)
  if(benchmark_FOUND)
    file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/bench/*.cpp)
    # Built by `make bench` in its own optimised tree, not by the tests.
    add_executable(velune_bench EXCLUDE_FROM_ALL ${BENCH_SOURCES})
    target_link_libraries(velune_bench PRIVATE velune_engine benchmark::benchmark)
    target_compile_options(velune_bench PRIVATE ${VELUNE_WARNINGS})
  endif()
endif()
# The render tool and its tests run under the sanitizers too: its threads and
# its batch's processes are checked there.
if(EXISTS ${CMAKE_SOURCE_DIR}/tools/render/CMakeLists.txt)
  add_subdirectory(tools/render)
  if(NOT VELUNE_SANITIZE)
    # Not built by default: `make bench-web` asks for it.
    add_executable(velune_web_bench_native EXCLUDE_FROM_ALL ${CMAKE_SOURCE_DIR}/bench/web/frame_time_native.cpp)
    target_link_libraries(velune_web_bench_native PRIVATE velune_render_lib)
    target_compile_options(velune_web_bench_native PRIVATE ${VELUNE_WARNINGS})
  endif()
endif()

# velune-live: the engine in a desktop window, moved by the desktop's sound.
if(EXISTS ${CMAKE_SOURCE_DIR}/tools/live/CMakeLists.txt)
  find_package(Threads REQUIRED)
  add_subdirectory(tools/live)
endif()
