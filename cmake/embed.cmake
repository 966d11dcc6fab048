# Writes a C++ source that holds a file's bytes as a constant array:
#   cmake -DIN=file -DOUT=file.cpp -DSYMBOL=kName -DNAMESPACE=ns -P embed.cmake
file(READ "${IN}" hex HEX)
string(LENGTH "${hex}" n)
math(EXPR size "${n} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
file(WRITE "${OUT}.tmp"
  "// Generated from ${IN}; do not edit.\n#include <cstddef>\n"
  "namespace ${NAMESPACE} {\n"
  "extern const unsigned char ${SYMBOL}[] = {\n${bytes}\n};\n"
  "extern const std::size_t ${SYMBOL}Size = ${size};\n}\n")
file(RENAME "${OUT}.tmp" "${OUT}")
