#include "forms/gb18030.h"

#include <cstdint>

namespace forms {
namespace {

struct Range {
    std::uint16_t first, last;
    std::uint32_t linear;
};
const Range kRanges[] = {
#include "forms/gb18030_ranges.inc"
};
constexpr std::uint32_t kSupplementaryLinear = 189000;  // 90 30 81 30 is U+10000

void FromLinear(std::uint32_t lin, unsigned char out[4]) {
    out[3] = static_cast<unsigned char>(0x30 + lin % 10);
    lin /= 10;
    out[2] = static_cast<unsigned char>(0x81 + lin % 126);
    lin /= 126;
    out[1] = static_cast<unsigned char>(0x30 + lin % 10);
    lin /= 10;
    out[0] = static_cast<unsigned char>(0x81 + lin);
}

}  // namespace

bool FourByteOf(char32_t cp, unsigned char out[4]) {
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
        FromLinear(kSupplementaryLinear + (cp - 0x10000), out);
        return true;
    }
    if (cp < 0x80 || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0xFFFF) return false;
    std::size_t lo = 0, hi = sizeof kRanges / sizeof kRanges[0];
    while (lo < hi) {
        const std::size_t mid = (lo + hi) / 2;
        if (cp < kRanges[mid].first)
            hi = mid;
        else if (cp > kRanges[mid].last)
            lo = mid + 1;
        else {
            FromLinear(kRanges[mid].linear + (cp - kRanges[mid].first), out);
            return true;
        }
    }
    return false;
}

char32_t CodePointOfFourByte(const unsigned char in[4]) {
    if (!StartsFourByte(in, 4)) return 0;
    const std::uint32_t lin =
        (((in[0] - 0x81u) * 10 + (in[1] - 0x30u)) * 126 + (in[2] - 0x81u)) * 10 + (in[3] - 0x30u);
    if (lin >= kSupplementaryLinear) {
        const std::uint32_t cp = 0x10000 + (lin - kSupplementaryLinear);
        return cp <= 0x10FFFF ? cp : 0;
    }
    for (const Range& r : kRanges)
        if (lin >= r.linear && lin <= r.linear + (r.last - r.first))
            return r.first + (lin - r.linear);
    return 0;
}

}  // namespace forms
