// Feeds arbitrary bytes to the picture box's decoding path: whatever the
// data, decoding returns (a picture or none) without touching memory it does
// not own.
#include <cstddef>
#include <cstdint>

#include "editor/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    editor::Picture p;
    const bool ok = editor::DecodePicture(data, size, p);
    if (ok && (p.rgb.size() != std::size_t(p.width) * p.height * 3 || p.width <= 0)) __builtin_trap();
    if (!ok && !p.empty()) __builtin_trap();
    return 0;
}
