// The two face pictures, complete JPEG files carried inside the program.
#pragma once

#include <cstddef>

namespace editor {

extern const unsigned char kFace1[];  // crying face, 195 x 189
extern const std::size_t kFace1Size;
extern const unsigned char kFace2[];  // grinning face, 218 x 234
extern const std::size_t kFace2Size;

}  // namespace editor
