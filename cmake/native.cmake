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
