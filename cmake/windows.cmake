# The Windows builds: the product, its test build, and the tests that drive
# them under Wine.

add_compile_definitions(UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN)

# libjpeg-turbo, built from Debian's source package by tools/setup.sh.
set(TOVIMAR_DEPS ${CMAKE_SOURCE_DIR}/build/deps/${TOVIMAR_TRIPLE})
if(NOT EXISTS ${TOVIMAR_DEPS}/lib/libjpeg.a)
  message(FATAL_ERROR "libjpeg for ${TOVIMAR_TRIPLE} is missing: run tools/setup.sh")
endif()
add_library(jpeg_static STATIC IMPORTED)
set_target_properties(jpeg_static PROPERTIES
  IMPORTED_LOCATION ${TOVIMAR_DEPS}/lib/libjpeg.a
  INTERFACE_INCLUDE_DIRECTORIES ${TOVIMAR_DEPS}/include)
target_link_libraries(tovimar_core PUBLIC jpeg_static)

# Small and self-contained: no exceptions or RTTI in the product, unused
# sections dropped, everything linked statically.
set(product_flags -Os -ffunction-sections -fdata-sections -fno-exceptions -fno-rtti
  -fno-threadsafe-statics)
target_compile_options(tovimar_core PRIVATE ${product_flags})
set(product_link -static -mwindows -Wl,--gc-sections -s)

set(win32_sources
  app/main.cpp
  forms/win32/handles.cpp forms/win32/paint.cpp forms/win32/runtime.cpp forms/win32/text.cpp
  forms/win32/no_exceptions.cpp
  resources/tovimar.rc)
set_source_files_properties(resources/tovimar.rc PROPERTIES
  OBJECT_DEPENDS ${CMAKE_SOURCE_DIR}/resources/tovimar.ico)

add_executable(tovimar WIN32 ${win32_sources})
target_compile_options(tovimar PRIVATE ${product_flags} ${TOVIMAR_GBK_FLAG})
target_link_libraries(tovimar PRIVATE tovimar_core ${product_link})

# The test build: the same sources with fault switches and the live handle
# count that the tests read.
add_executable(tovimar-test WIN32 ${win32_sources} app/test_hooks.cpp)
target_compile_definitions(tovimar-test PRIVATE TOVIMAR_TEST_BUILD=1)
target_compile_options(tovimar-test PRIVATE ${product_flags} ${TOVIMAR_GBK_FLAG})
target_link_libraries(tovimar-test PRIVATE tovimar_core ${product_link})

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "AMD64")
  include(cmake/wine-tests.cmake)
endif()

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86")
  # The product as Windows sees it: machine, subsystem, imports, resources.
  add_test(NAME pe_check COMMAND ${CMAKE_SOURCE_DIR}/tools/check-pe $<TARGET_FILE:tovimar>)
endif()

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86")
  include(cmake/package.cmake)
endif()

if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86")
  add_test(NAME package_check COMMAND ${CMAKE_SOURCE_DIR}/tools/check-package ${CMAKE_BINARY_DIR})
endif()
