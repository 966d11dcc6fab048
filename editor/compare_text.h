#pragma once

namespace editor {

// Compares two GBK texts byte by byte as unsigned values.  A missing text
// (nullptr) equals a missing or empty one and is smaller than any other.
// Returns -1, 0 or 1.
int CompareText(const char* a, const char* b);

}  // namespace editor
