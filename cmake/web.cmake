# Browser build (Emscripten): the engine as WebAssembly and the page that
# hosts it, in build/web/: index.html, velune.js (the module and the page's
# script), velune.wasm. VELUNE_SIMD128=OFF builds the scalar engine, which the
# speed comparison measures beside the simd128 one.
option(VELUNE_SIMD128 "Use WebAssembly simd128 paths" ON)
set(WEB_ENGINE_SOURCES ${ENGINE_SOURCES})
# x86 SIMD paths have no WebAssembly form; the generators' second set of rows
# is plain double code and stays (the Transform only picks it on SSE2).
list(FILTER WEB_ENGINE_SOURCES EXCLUDE REGEX "_(mmx|sse|avx2)\\.cpp$|/(displacement|compose)_sse2\\.cpp$")
if(NOT VELUNE_SIMD128)
  list(FILTER WEB_ENGINE_SOURCES EXCLUDE REGEX "_simd128\\.cpp$")
  set(WEB_SIMD "")
else()
  set(WEB_SIMD -msimd128)
endif()

add_library(velune_engine STATIC ${WEB_ENGINE_SOURCES})
target_include_directories(velune_engine PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tools)
target_compile_options(velune_engine PUBLIC ${WEB_SIMD} PRIVATE ${VELUNE_WARNINGS})

file(GLOB WEB_PAGE_SCRIPTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/web/page/*.js)
list(SORT WEB_PAGE_SCRIPTS)
set(WEB_POST_JS "")
foreach(script ${WEB_PAGE_SCRIPTS})
  list(APPEND WEB_POST_JS "SHELL:--extern-post-js ${script}")
endforeach()

add_executable(velune
  ${CMAKE_SOURCE_DIR}/web/host/velune_web.cpp
  ${CMAKE_SOURCE_DIR}/web/host/live_display.cpp
  ${CMAKE_SOURCE_DIR}/tools/render/render_display.cpp
  ${CMAKE_SOURCE_DIR}/tools/render/memory_playlist.cpp)
target_include_directories(velune PRIVATE ${CMAKE_SOURCE_DIR}/web/host ${CMAKE_SOURCE_DIR}/tools/render)
target_compile_options(velune PRIVATE ${VELUNE_WARNINGS})
target_link_libraries(velune PRIVATE velune_engine)
target_link_options(velune PRIVATE ${WEB_SIMD}
  -sMODULARIZE=1 -sEXPORT_NAME=createVelune -sENVIRONMENT=web -sFILESYSTEM=0
  -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=64MB
  "-sEXPORTED_RUNTIME_METHODS=['UTF8ToString','stringToUTF8']"
  ${WEB_POST_JS})
set_target_properties(velune PROPERTIES SUFFIX ".js" LINK_DEPENDS "${WEB_PAGE_SCRIPTS};${CMAKE_SOURCE_DIR}/web/page/index.html")
add_custom_command(TARGET velune POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/web/page/index.html ${CMAKE_BINARY_DIR}/index.html)

# The pixel kernels' shared tests, run under Node.
set(GTEST_DIR /usr/src/googletest/googletest)
if(EXISTS ${GTEST_DIR}/src/gtest-all.cc)
  add_library(web_gtest STATIC ${GTEST_DIR}/src/gtest-all.cc ${GTEST_DIR}/src/gtest_main.cc)
  target_include_directories(web_gtest PUBLIC ${GTEST_DIR}/include PRIVATE ${GTEST_DIR})
  target_compile_definitions(web_gtest PUBLIC GTEST_HAS_PTHREAD=0)
  add_executable(velune_pixel_tests
    ${CMAKE_SOURCE_DIR}/tests/unit/displacement_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/unit/rgba_test.cpp
    ${CMAKE_SOURCE_DIR}/tests/unit/trig_bits_test.cpp)
  target_link_libraries(velune_pixel_tests PRIVATE velune_engine web_gtest)
  target_compile_options(velune_pixel_tests PRIVATE ${VELUNE_WARNINGS})
  target_link_options(velune_pixel_tests PRIVATE -sENVIRONMENT=node -sALLOW_MEMORY_GROWTH=1)
endif()
