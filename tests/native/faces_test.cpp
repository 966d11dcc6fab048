// Checks the committed face pictures and icon in resources/: the exact JPEG
// layout the program ships (segments, tables, one baseline scan), what the
// pictures decode to, and the icon's format.
//
// TOVIMAR_RESOURCES_DIR must be defined as a string literal naming the
// resources directory.

#include <gtest/gtest.h>

#include <algorithm>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "editor/faces.h"
#include "editor/picture.h"

#ifndef TOVIMAR_RESOURCES_DIR
#error "TOVIMAR_RESOURCES_DIR must name the resources directory"
#endif

namespace {

using Bytes = std::vector<uint8_t>;

Bytes readFile(const std::string& name) {
    std::ifstream in(std::string(TOVIMAR_RESOURCES_DIR) + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

unsigned be16(const Bytes& b, size_t at) { return unsigned(b[at]) << 8 | b[at + 1]; }
unsigned le16(const Bytes& b, size_t at) { return b[at] | unsigned(b[at + 1]) << 8; }
uint32_t le32(const Bytes& b, size_t at) { return le16(b, at) | uint32_t(le16(b, at + 2)) << 16; }

// ------------------------------------------------------------ JPEG layout --

struct Segment {
    uint8_t marker;  // second byte of FF xx
    size_t length;   // the segment's length field (0 for EOI)
    Bytes payload;   // bytes after the length field
};

struct JpegLayout {
    bool startsWithSoi = false;
    bool ended = false;      // reached EOI
    size_t eoiEnd = 0;       // offset just past EOI
    std::vector<Segment> segments;
    int restartMarkers = 0;  // RSTn found in entropy-coded data
    std::string error;
};

// Walks the marker segments; after each SOS skips the entropy-coded data,
// counting RSTn markers in it.
JpegLayout parseJpeg(const Bytes& b) {
    JpegLayout j;
    j.startsWithSoi = b.size() >= 2 && b[0] == 0xFF && b[1] == 0xD8;
    if (!j.startsWithSoi) return j;
    size_t pos = 2;
    while (pos < b.size()) {
        if (b[pos] != 0xFF) {
            j.error = "expected a marker at offset " + std::to_string(pos);
            return j;
        }
        while (pos < b.size() && b[pos] == 0xFF) ++pos;
        if (pos >= b.size()) break;
        uint8_t m = b[pos++];
        if (m == 0xD9) {
            j.segments.push_back({m, 0, {}});
            j.ended = true;
            j.eoiEnd = pos;
            return j;
        }
        if (pos + 2 > b.size() || be16(b, pos) < 2 || pos + be16(b, pos) > b.size()) {
            j.error = "segment runs past the end at offset " + std::to_string(pos);
            return j;
        }
        size_t len = be16(b, pos);
        j.segments.push_back({m, len, Bytes(b.begin() + long(pos + 2), b.begin() + long(pos + len))});
        pos += len;
        if (m == 0xDA) {
            while (pos + 1 < b.size()) {
                if (b[pos] == 0xFF && b[pos + 1] == 0x00) {
                    pos += 2;
                } else if (b[pos] == 0xFF && b[pos + 1] >= 0xD0 && b[pos + 1] <= 0xD7) {
                    ++j.restartMarkers;
                    pos += 2;
                } else if (b[pos] == 0xFF && b[pos + 1] != 0xFF) {
                    break;
                } else {
                    ++pos;
                }
            }
        }
    }
    j.error = "no EOI";
    return j;
}

std::vector<const Segment*> segmentsWith(const JpegLayout& j, uint8_t marker) {
    std::vector<const Segment*> out;
    for (const Segment& s : j.segments)
        if (s.marker == marker) out.push_back(&s);
    return out;
}

// ----------------------------------------------------- JPEG example tables --

// Example quantisation tables of the JPEG standard (Annex K, tables K.1 and
// K.2), row by row.
const int kLuminanceQuant[64] = {
    16, 11, 10, 16, 24,  40,  51,  61,   //
    12, 12, 14, 19, 26,  58,  60,  55,   //
    14, 13, 16, 24, 40,  57,  69,  56,   //
    14, 17, 22, 29, 51,  87,  80,  62,   //
    18, 22, 37, 56, 68,  109, 103, 77,   //
    24, 35, 55, 64, 81,  104, 113, 92,   //
    49, 64, 78, 87, 103, 121, 120, 101,  //
    72, 92, 95, 98, 112, 100, 103, 99,
};
const int kChrominanceQuant[64] = {
    17, 18, 24, 47, 99, 99, 99, 99,  //
    18, 21, 26, 66, 99, 99, 99, 99,  //
    24, 26, 56, 99, 99, 99, 99, 99,  //
    47, 66, 99, 99, 99, 99, 99, 99,  //
    99, 99, 99, 99, 99, 99, 99, 99,  //
    99, 99, 99, 99, 99, 99, 99, 99,  //
    99, 99, 99, 99, 99, 99, 99, 99,  //
    99, 99, 99, 99, 99, 99, 99, 99,
};

// Row-major index of each coefficient in zigzag order: walk the
// anti-diagonals, alternating direction.
std::vector<int> zigzagOrder() {
    std::vector<int> order;
    for (int d = 0; d < 15; ++d)
        for (int k = 0; k <= d; ++k) {
            int row = (d % 2 == 1) ? k : d - k;
            int col = d - row;
            if (row < 8 && col < 8) order.push_back(row * 8 + col);
        }
    return order;
}

// The table as a quality-75 encoder stores it in DQT: scaled by one half
// (rounded), at least 1, in zigzag order.
Bytes scaledQuantInZigzag(const int (&natural)[64]) {
    Bytes out;
    for (int idx : zigzagOrder()) out.push_back(uint8_t(std::max(1, (natural[idx] * 50 + 50) / 100)));
    return out;
}

struct HuffmanTable {
    const char* name;
    uint8_t classAndId;  // Tc << 4 | Th
    Bytes bits;          // code counts for lengths 1..16
    Bytes values;
};

// The typical Huffman tables of the JPEG standard (Annex K.3).
const std::vector<HuffmanTable>& standardHuffmanTables() {
    static const std::vector<HuffmanTable> tables = {
        {"DC luminance", 0x00,
         {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0},
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
        {"DC chrominance", 0x01,
         {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0},
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
        {"AC luminance", 0x10,
         {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d},
         {0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51,
          0x61, 0x07, 0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1,
          0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0a, 0x16, 0x17, 0x18,
          0x19, 0x1a, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39,
          0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57,
          0x58, 0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75,
          0x76, 0x77, 0x78, 0x79, 0x7a, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92,
          0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7,
          0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3,
          0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8,
          0xd9, 0xda, 0xe1, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2,
          0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa}},
        {"AC chrominance", 0x11,
         {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77},
         {0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07,
          0x61, 0x71, 0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09,
          0x23, 0x33, 0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1, 0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25,
          0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36, 0x37, 0x38,
          0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56,
          0x57, 0x58, 0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74,
          0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89,
          0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3, 0xa4, 0xa5,
          0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba,
          0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6,
          0xd7, 0xd8, 0xd9, 0xda, 0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2,
          0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa}},
    };
    return tables;
}

// ------------------------------------------------------------------ faces --

struct Face {
    const char* name;
    const unsigned char* bytes;  // the picture as the program carries it
    const size_t* size;
    size_t length;
    int width, height;
    int left, top, right, bottom;  // head bounds, inclusive
    int minTearPixels;             // blue tear pixels expected in the head
};

// Keeps failure messages readable for the parameterised tests.
void PrintTo(const Face& f, std::ostream* os) { *os << f.name; }

const Face kFaces[] = {
    {"Crying", editor::kFace1, &editor::kFace1Size, 5070, 195, 189, 26, 0, 160, 111, 100},
    {"Grinning", editor::kFace2, &editor::kFace2Size, 4891, 218, 234, 33, 5, 167, 117, 0},
};

class FacePicture : public testing::TestWithParam<Face> {
protected:
    void SetUp() override {
        data_ = Bytes(GetParam().bytes, GetParam().bytes + *GetParam().size);
        ASSERT_FALSE(data_.empty());
        layout_ = parseJpeg(data_);
    }
    Bytes data_;
    JpegLayout layout_;
};

TEST_P(FacePicture, IsOneCompleteJpegOfTheShippedLength) {
    const Face& f = GetParam();
    EXPECT_EQ(data_.size(), f.length);
    EXPECT_TRUE(layout_.startsWithSoi);
    ASSERT_TRUE(layout_.ended) << layout_.error;
    EXPECT_EQ(layout_.eoiEnd, data_.size()) << "bytes after EOI";
    EXPECT_EQ(data_[data_.size() - 2], 0xFF);
    EXPECT_EQ(data_[data_.size() - 1], 0xD9);

    // Marker kinds in file order, repeats folded: several DQT or DHT
    // segments in a row are fine.
    std::vector<int> kinds;
    for (const Segment& s : layout_.segments)
        if (kinds.empty() || kinds.back() != s.marker) kinds.push_back(s.marker);
    EXPECT_EQ(kinds, (std::vector<int>{0xE0, 0xE1, 0xDB, 0xC0, 0xC4, 0xDA, 0xD9}));
}

TEST_P(FacePicture, HasJfifAndEmptyExifHeaders) {
    ASSERT_GE(layout_.segments.size(), 2u);
    const Segment& app0 = layout_.segments[0];
    ASSERT_EQ(app0.marker, 0xE0);
    ASSERT_EQ(app0.length, 16u);
    const Bytes jfif = {'J', 'F', 'I', 'F', 0,  // identifier
                        1,   1,                 // version 1.01
                        1,                      // dots per inch
                        0,   96,  0, 96,        // 96 x 96
                        0,   0};                // no thumbnail
    EXPECT_EQ(app0.payload, jfif);

    const Segment& app1 = layout_.segments[1];
    ASSERT_EQ(app1.marker, 0xE1);
    EXPECT_EQ(app1.length, 22u);
    const Bytes exif = {'E', 'x', 'i', 'f', 0, 0,  // identifier
                        'I', 'I', 0x2A, 0,         // little-endian TIFF
                        8,   0,   0,    0,         // first directory at 8
                        0,   0,                    // no entries
                        0,   0,   0,    0};        // no next directory
    EXPECT_EQ(app1.payload, exif);
}

TEST_P(FacePicture, IsBaselineYCbCrWithLumaSampledTwoByTwo) {
    const Face& f = GetParam();
    for (int m : {0xC1, 0xC2, 0xC3, 0xC5, 0xC6, 0xC7, 0xC9, 0xCA, 0xCB, 0xCD, 0xCE, 0xCF})
        EXPECT_TRUE(segmentsWith(layout_, uint8_t(m)).empty()) << "frame marker FF " << std::hex << m;
    auto sof = segmentsWith(layout_, 0xC0);
    ASSERT_EQ(sof.size(), 1u);
    const Bytes& p = sof[0]->payload;
    ASSERT_EQ(p.size(), 6u + 3 * 3);
    EXPECT_EQ(p[0], 8) << "precision";
    EXPECT_EQ(be16(p, 1), unsigned(f.height));
    EXPECT_EQ(be16(p, 3), unsigned(f.width));
    ASSERT_EQ(p[5], 3) << "components";
    const uint8_t sampling[3] = {0x22, 0x11, 0x11}, quant[3] = {0, 1, 1};
    for (int c = 0; c < 3; ++c) {
        SCOPED_TRACE("component " + std::to_string(c));
        EXPECT_EQ(p[6 + 3 * c + 1], sampling[c]);
        EXPECT_EQ(p[6 + 3 * c + 2], quant[c]);
    }
    EXPECT_NE(p[6], p[9]);
    EXPECT_NE(p[6], p[12]);
    EXPECT_NE(p[9], p[12]);
}

TEST_P(FacePicture, QuantisationTablesAreTheExampleTablesAtQuality75) {
    // Table id -> its 64 entries as stored (zigzag order).
    std::vector<std::pair<int, Bytes>> found;
    for (const Segment* s : segmentsWith(layout_, 0xDB)) {
        const Bytes& p = s->payload;
        for (size_t at = 0; at < p.size();) {
            ASSERT_EQ(p[at] >> 4, 0) << "only 8-bit tables";
            ASSERT_LE(at + 65, p.size());
            found.emplace_back(p[at] & 15, Bytes(p.begin() + long(at + 1), p.begin() + long(at + 65)));
            at += 65;
        }
    }
    ASSERT_EQ(found.size(), 2u);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found[0].first, 0);
    EXPECT_EQ(found[1].first, 1);
    const Bytes want[2] = {scaledQuantInZigzag(kLuminanceQuant), scaledQuantInZigzag(kChrominanceQuant)};
    for (int t = 0; t < 2; ++t)
        for (int k = 0; k < 64; ++k)
            EXPECT_EQ(found[t].second[k], want[t][k]) << "table " << t << ", zigzag entry " << k;
}

TEST_P(FacePicture, HuffmanTablesAreTheStandardOnes) {
    std::vector<HuffmanTable> found;
    for (const Segment* s : segmentsWith(layout_, 0xC4)) {
        const Bytes& p = s->payload;
        for (size_t at = 0; at < p.size();) {
            ASSERT_LE(at + 17, p.size());
            HuffmanTable t{"", p[at], Bytes(p.begin() + long(at + 1), p.begin() + long(at + 17)), {}};
            size_t count = 0;
            for (uint8_t n : t.bits) count += n;
            ASSERT_LE(at + 17 + count, p.size());
            t.values.assign(p.begin() + long(at + 17), p.begin() + long(at + 17 + count));
            found.push_back(t);
            at += 17 + count;
        }
    }
    const auto& standard = standardHuffmanTables();
    ASSERT_EQ(found.size(), standard.size());
    for (const HuffmanTable& want : standard) {
        SCOPED_TRACE(want.name);
        auto it = std::find_if(found.begin(), found.end(),
                               [&](const HuffmanTable& t) { return t.classAndId == want.classAndId; });
        ASSERT_NE(it, found.end());
        EXPECT_EQ(it->bits, want.bits);
        EXPECT_EQ(it->values, want.values);
    }
}

TEST_P(FacePicture, HasOneInterleavedScanWithoutRestarts) {
    auto sos = segmentsWith(layout_, 0xDA);
    ASSERT_EQ(sos.size(), 1u);
    const Bytes& p = sos[0]->payload;
    ASSERT_EQ(p.size(), 1u + 3 * 2 + 3);
    ASSERT_EQ(p[0], 3);
    auto sof = segmentsWith(layout_, 0xC0);
    ASSERT_EQ(sof.size(), 1u);
    const uint8_t tables[3] = {0x00, 0x11, 0x11};
    for (int c = 0; c < 3; ++c) {
        SCOPED_TRACE("component " + std::to_string(c));
        EXPECT_EQ(p[1 + 2 * c], sof[0]->payload[6 + 3 * c]) << "component id";
        EXPECT_EQ(p[2 + 2 * c], tables[c]);
    }
    EXPECT_EQ(p[7], 0) << "Ss";
    EXPECT_EQ(p[8], 63) << "Se";
    EXPECT_EQ(p[9], 0) << "Ah/Al";
    EXPECT_TRUE(segmentsWith(layout_, 0xDD).empty()) << "DRI";
    EXPECT_EQ(layout_.restartMarkers, 0);
}

struct Decoded {
    int width = 0, height = 0, components = 0;
    Bytes rgb;
    const uint8_t* at(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
};

// libjpeg's default error handler exits the process; jump back instead.
struct JumpingErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

[[noreturn]] void jumpOnError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JumpingErrorManager*>(cinfo->err)->jump, 1);
}

// Decodes with libjpeg's default settings (islow IDCT, fancy upsampling, RGB
// output).  Returns libjpeg's message if it gives up, else "".
std::string decodeInto(const Bytes& data, Decoded& out) {
    jpeg_decompress_struct d;
    JumpingErrorManager err;
    d.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = jumpOnError;
    jpeg_create_decompress(&d);
    if (setjmp(err.jump)) {
        char msg[JMSG_LENGTH_MAX];
        (*d.err->format_message)(reinterpret_cast<j_common_ptr>(&d), msg);
        jpeg_destroy_decompress(&d);
        return msg;
    }
    jpeg_mem_src(&d, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&d, TRUE);
    jpeg_start_decompress(&d);
    out.width = int(d.output_width);
    out.height = int(d.output_height);
    out.components = d.output_components;
    out.rgb.resize(size_t(out.width) * out.height * size_t(out.components));
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = &out.rgb[size_t(d.output_scanline) * out.width * size_t(out.components)];
        jpeg_read_scanlines(&d, &row, 1);
    }
    jpeg_finish_decompress(&d);
    jpeg_destroy_decompress(&d);
    return "";
}

TEST_P(FacePicture, DecodesToAPandaHeadOnWhite) {
    const Face& f = GetParam();
    ASSERT_TRUE(layout_.ended) << layout_.error;
    Decoded img;
    ASSERT_EQ(decodeInto(data_, img), "");
    ASSERT_EQ(img.width, f.width);
    ASSERT_EQ(img.height, f.height);
    ASSERT_EQ(img.components, 3);

    int impureCaptionBand = 0, inkOutsideHead = 0, dark = 0, tears = 0;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            const uint8_t* p = img.at(x, y);
            bool inHead = x >= f.left && x <= f.right && y >= f.top && y <= f.bottom;
            if (y >= 120) {
                if (p[0] != 255 || p[1] != 255 || p[2] != 255) ++impureCaptionBand;
            } else if (!inHead) {
                if (std::min({p[0], p[1], p[2]}) < 250) ++inkOutsideHead;
            } else {
                if (std::max({p[0], p[1], p[2]}) < 60) ++dark;
                if (p[2] >= 180 && p[2] >= p[0] + 80) ++tears;
            }
        }
    EXPECT_EQ(impureCaptionBand, 0) << "pixels not exactly white from row 120 down";
    EXPECT_EQ(inkOutsideHead, 0) << "pixels not near white outside the head";
    EXPECT_GE(dark, 2000) << "ears, outline and eye patches";
    EXPECT_GE(tears, f.minTearPixels);

    // The program's own decoder gives the same picture.
    editor::Picture mine;
    ASSERT_TRUE(editor::DecodePicture(data_.data(), data_.size(), mine));
    EXPECT_EQ(mine.width, img.width);
    EXPECT_EQ(mine.height, img.height);
    EXPECT_TRUE(mine.rgb == img.rgb) << "the program decodes other pixels";
}

INSTANTIATE_TEST_SUITE_P(Resources, FacePicture, testing::ValuesIn(kFaces),
                         [](const testing::TestParamInfo<Face>& info) { return std::string(info.param.name); });

// ------------------------------------------------------------------- icon --

TEST(Icon, IsOneOpaque32x32TrueColourImageOfTheHead) {
    Bytes ico = readFile("tovimar.ico");
    ASSERT_GE(ico.size(), 6u + 16u);
    EXPECT_EQ(le16(ico, 0), 0u) << "reserved";
    EXPECT_EQ(le16(ico, 2), 1u) << "type: icon";
    ASSERT_EQ(le16(ico, 4), 1u) << "image count";

    const size_t e = 6;
    EXPECT_EQ(ico[e + 0], 32) << "width";
    EXPECT_EQ(ico[e + 1], 32) << "height";
    EXPECT_EQ(ico[e + 2], 0) << "palette size";
    EXPECT_EQ(le16(ico, e + 6), 32u) << "bits per pixel";
    const uint32_t bytes = le32(ico, e + 8), offset = le32(ico, e + 12);
    const size_t pixelBytes = 32 * 32 * 4, maskBytes = 32 * 4;
    ASSERT_EQ(bytes, 40 + pixelBytes + maskBytes);
    ASSERT_EQ(size_t(offset) + bytes, ico.size());

    const size_t h = offset;
    EXPECT_EQ(le32(ico, h), 40u) << "BITMAPINFOHEADER size";
    EXPECT_EQ(le32(ico, h + 4), 32u);
    EXPECT_EQ(le32(ico, h + 8), 64u) << "colour image plus mask";
    EXPECT_EQ(le16(ico, h + 12), 1u) << "planes";
    EXPECT_EQ(le16(ico, h + 14), 32u);
    EXPECT_EQ(le32(ico, h + 16), 0u) << "uncompressed";

    const uint8_t* px = &ico[h + 40];
    int translucent = 0, dark = 0, blue = 0, white = 0;
    bool oneColour = true;
    for (size_t i = 0; i < 32 * 32; ++i) {
        const uint8_t* p = px + 4 * i;  // B G R A
        if (p[3] != 255) ++translucent;
        if (!std::equal(p, p + 3, px)) oneColour = false;
        if (std::max({p[0], p[1], p[2]}) < 80) ++dark;
        if (p[0] >= 150 && p[0] >= p[2] + 50) ++blue;
        if (std::min({p[0], p[1], p[2]}) >= 250) ++white;
    }
    EXPECT_EQ(translucent, 0);
    EXPECT_FALSE(oneColour);
    // Face 1 in small: black ears and patches, blue tears, white around.
    EXPECT_GE(dark, 60);
    EXPECT_GE(blue, 10);
    EXPECT_GE(white, 200);
    const uint8_t* mask = px + pixelBytes;
    EXPECT_TRUE(std::all_of(mask, mask + maskBytes, [](uint8_t b) { return b == 0; })) << "AND mask";
}

}  // namespace
