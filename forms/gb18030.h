// The four-byte sequences of GB18030: how a character outside GBK is kept in
// the program's byte texts.  GBK characters themselves keep their one- and
// two-byte forms.
#pragma once

namespace forms {

// The four-byte form of `cp`; false when `cp` has none (it is ASCII or GBK,
// or not a character).
bool FourByteOf(char32_t cp, unsigned char out[4]);
// The character of a four-byte sequence; 0 when it is not a valid one.
char32_t CodePointOfFourByte(const unsigned char in[4]);
// Whether `p` (with at least `left` bytes) starts a four-byte sequence.
inline bool StartsFourByte(const unsigned char* p, unsigned long left) {
    return left >= 4 && p[0] >= 0x81 && p[0] <= 0xFE && p[1] >= 0x30 && p[1] <= 0x39 &&
           p[2] >= 0x81 && p[2] <= 0xFE && p[3] >= 0x30 && p[3] <= 0x39;
}

}  // namespace forms
