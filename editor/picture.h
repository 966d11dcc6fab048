// Decoding of a picture box's picture data.
#pragma once

#include <cstddef>
#include <vector>

namespace editor {

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // width * height * 3, rows top to bottom
    bool empty() const { return rgb.empty(); }
};

// Decodes picture data: a JPEG file (recognised by FF D8 at its start) into
// 24-bit RGB with the decoder's default settings, one row at a time.  Empty
// data, other formats, broken or truncated files give an empty picture and
// false; nothing is reported anywhere else.
bool DecodePicture(const unsigned char* data, std::size_t size, Picture& out);

}  // namespace editor
