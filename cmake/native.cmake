# The native Linux build: the portable code with its unit tests, under
# AddressSanitizer and UndefinedBehaviorSanitizer.
find_package(JPEG REQUIRED)
target_link_libraries(tovimar_core PUBLIC JPEG::JPEG)

option(TOVIMAR_SANITIZE "Build with ASan and UBSan" ON)
if(TOVIMAR_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
  target_compile_options(tovimar_core PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer)
endif()

add_subdirectory(${GTEST_SRC} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

add_subdirectory(tools/mkfaces)
add_subdirectory(tests/native)

# libFuzzer target for the decoding path, built with clang (libFuzzer is
# clang's) beside the g++ build.
find_program(CLANGXX clang++)
if(CLANGXX)
  set(fuzz_bin ${CMAKE_BINARY_DIR}/decode_fuzz)  # target: fuzz_target
  add_custom_command(OUTPUT ${fuzz_bin}
    COMMAND ${CLANGXX} -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined
            -I${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/editor/picture.cpp
            ${CMAKE_SOURCE_DIR}/tests/fuzz/decode_fuzz.cpp -ljpeg -o ${fuzz_bin}
    DEPENDS ${CMAKE_SOURCE_DIR}/editor/picture.cpp ${CMAKE_SOURCE_DIR}/editor/picture.h
            ${CMAKE_SOURCE_DIR}/tests/fuzz/decode_fuzz.cpp
    VERBATIM)
  add_custom_target(fuzz_target ALL DEPENDS ${fuzz_bin})
  set(TOVIMAR_FUZZ_SECONDS 60 CACHE STRING "How long the test run fuzzes the decoder")
  add_test(NAME fuzz_decode
    COMMAND ${CMAKE_COMMAND} -E env ${fuzz_bin} -max_total_time=${TOVIMAR_FUZZ_SECONDS}
            -rss_limit_mb=2048 -print_final_stats=1
            ${CMAKE_BINARY_DIR}/fuzz-corpus ${CMAKE_SOURCE_DIR}/tests/fuzz/seeds
            ${CMAKE_SOURCE_DIR}/resources)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz-corpus)
  set_tests_properties(fuzz_decode PROPERTIES TIMEOUT 300)
else()
  message(FATAL_ERROR "clang++ is needed for the fuzz target: run tools/setup.sh")
endif()
