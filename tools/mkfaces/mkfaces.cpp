// mkfaces: draws Tovimar's two face pictures and its icon.
//
//   mkfaces OUT_DIR   -> OUT_DIR/face1.jpg, OUT_DIR/face2.jpg, OUT_DIR/tovimar.ico
//
// Both faces are a cartoon panda head wearing a human face: face 1 is crying,
// face 2 is grinning.  The program ships the pictures with fixed file sizes,
// so each picture is drawn in small deterministic variations (a shading level
// and a seed that nudges a few details) until the encoded file has exactly the
// wanted length and decodes cleanly (plain white around the head, pure white
// caption band).  The icon is face 1's head, boxed down to 32 x 32.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace {

constexpr double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------- drawing --

struct Rgb {
    double r, g, b;
};

const Rgb kWhite{255, 255, 255};
const Rgb kBlack{18, 18, 20};

// The picture is drawn at kSuper x kSuper samples per pixel with painter's
// order and then box-averaged, which gives anti-aliased edges.
constexpr int kSuper = 4;

class Canvas {
public:
    Canvas(int w, int h) : w_(w), h_(h), px_(size_t(w) * kSuper * h * kSuper, kWhite) {}

    // Calls fn(x, y, sample) for every sample whose centre lies in the box
    // [x0,x1] x [y0,y1] (pixel units).
    template <class Fn>
    void forEachSample(double x0, double y0, double x1, double y1, Fn fn) {
        const int W = w_ * kSuper, H = h_ * kSuper;
        int i0 = std::max(0, int(std::floor(x0 * kSuper)));
        int i1 = std::min(W - 1, int(std::ceil(x1 * kSuper)));
        int j0 = std::max(0, int(std::floor(y0 * kSuper)));
        int j1 = std::min(H - 1, int(std::ceil(y1 * kSuper)));
        for (int j = j0; j <= j1; ++j)
            for (int i = i0; i <= i1; ++i)
                fn((i + 0.5) / kSuper, (j + 0.5) / kSuper, px_[size_t(j) * W + i]);
    }

    // Paints the samples in the box for which inside(x, y) holds.
    void fill(double x0, double y0, double x1, double y1,
              const std::function<bool(double, double)>& inside, Rgb c) {
        forEachSample(x0, y0, x1, y1, [&](double x, double y, Rgb& p) {
            if (inside(x, y)) p = c;
        });
    }

    // Filled ellipse, rotated by `angle` radians.
    void ellipse(double cx, double cy, double rx, double ry, double angle, Rgb c) {
        double ca = std::cos(angle), sa = std::sin(angle);
        double r = std::max(rx, ry);
        fill(cx - r, cy - r, cx + r, cy + r, [=](double x, double y) {
            double dx = x - cx, dy = y - cy;
            double u = (dx * ca + dy * sa) / rx, v = (-dx * sa + dy * ca) / ry;
            return u * u + v * v <= 1.0;
        }, c);
    }

    void circle(double cx, double cy, double r, Rgb c) { ellipse(cx, cy, r, r, 0, c); }

    // Round-capped stroke along a polyline; the width goes linearly from w0
    // at the first point to w1 at the last.
    void stroke(const std::vector<std::pair<double, double>>& pts, double w0, double w1, Rgb c) {
        size_t n = pts.size();
        for (size_t k = 0; k + 1 < n; ++k) {
            double ax = pts[k].first, ay = pts[k].second;
            double bx = pts[k + 1].first, by = pts[k + 1].second;
            double ra = 0.5 * (w0 + (w1 - w0) * double(k) / double(n - 1));
            double rb = 0.5 * (w0 + (w1 - w0) * double(k + 1) / double(n - 1));
            double r = std::max(ra, rb);
            fill(std::min(ax, bx) - r, std::min(ay, by) - r, std::max(ax, bx) + r,
                 std::max(ay, by) + r, [=](double x, double y) {
                     double vx = bx - ax, vy = by - ay;
                     double len2 = vx * vx + vy * vy;
                     double t = len2 > 0 ? ((x - ax) * vx + (y - ay) * vy) / len2 : 0.0;
                     t = std::clamp(t, 0.0, 1.0);
                     double dx = x - (ax + t * vx), dy = y - (ay + t * vy);
                     double rr = ra + (rb - ra) * t;
                     return dx * dx + dy * dy <= rr * rr;
                 }, c);
        }
    }

    // Stroke along an elliptical arc from angle a0 to a1 (radians, y down).
    void arc(double cx, double cy, double rx, double ry, double a0, double a1, double w, Rgb c) {
        std::vector<std::pair<double, double>> pts;
        const int steps = 24;
        for (int k = 0; k <= steps; ++k) {
            double a = a0 + (a1 - a0) * k / steps;
            pts.emplace_back(cx + rx * std::cos(a), cy + ry * std::sin(a));
        }
        stroke(pts, w, w, c);
    }

    void line(double x0, double y0, double x1, double y1, double w, Rgb c) {
        stroke({{x0, y0}, {x1, y1}}, w, w, c);
    }

    // Multiplies the colour of the samples inside the head ellipse that are
    // still pure white, shading the fur from `rim` at the edge to white in the
    // middle.  Only the white fur is shaded; features keep their colours.
    void shadeFur(double cx, double cy, double rx, double ry, double rim) {
        forEachSample(cx - rx, cy - ry, cx + rx, cy + ry, [&](double x, double y, Rgb& p) {
            double u = (x - cx) / rx, v = (y - cy) / ry;
            double d2 = u * u + v * v;
            if (d2 > 1.0 || p.r != 255 || p.g != 255 || p.b != 255) return;
            double t = d2 * d2;  // flat middle, darker towards the rim
            double s = 255 - rim * t;
            p = Rgb{s, s, s};
        });
    }

    // Box-averages the samples into 8-bit RGB pixels.
    std::vector<uint8_t> resolve() const {
        std::vector<uint8_t> out(size_t(w_) * h_ * 3);
        const int W = w_ * kSuper;
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x) {
                double r = 0, g = 0, b = 0;
                for (int j = 0; j < kSuper; ++j)
                    for (int i = 0; i < kSuper; ++i) {
                        const Rgb& p = px_[size_t(y * kSuper + j) * W + x * kSuper + i];
                        r += p.r;
                        g += p.g;
                        b += p.b;
                    }
                const double n = kSuper * kSuper;
                uint8_t* o = &out[(size_t(y) * w_ + x) * 3];
                o[0] = uint8_t(std::lround(std::clamp(r / n, 0.0, 255.0)));
                o[1] = uint8_t(std::lround(std::clamp(g / n, 0.0, 255.0)));
                o[2] = uint8_t(std::lround(std::clamp(b / n, 0.0, 255.0)));
            }
        return out;
    }

private:
    int w_, h_;
    std::vector<Rgb> px_;
};

// Small deterministic generator (splitmix64) for the detail variations.
class Rng {
public:
    explicit Rng(uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 0x1234567ull) {}
    // Uniform in [-1, 1].
    double jitter() {
        uint64_t z = (s_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return double(z >> 11) / double(1ull << 53) * 2.0 - 1.0;
    }

private:
    uint64_t s_;
};

struct Variation {
    int shade;      // fur shading strength at the rim of the head
    uint64_t seed;  // nudges tear waves, highlights, blush, teeth
};

// ------------------------------------------------------------------ faces --

struct FaceSpec {
    const char* file;
    int width, height;
    size_t length;                // required file length in bytes
    int left, top, right, bottom; // head bounds, inclusive
    std::function<void(Canvas&, const Variation&)> draw;
};

// Ears, the black-outlined white head and its fur shading; each face draws
// its features on top.
void drawPandaHead(Canvas& c, double cx, double cy, double rx, double ry, double earDx,
                   double earY, double earR, int shade) {
    c.circle(cx - earDx, earY, earR, kBlack);
    c.circle(cx + earDx, earY, earR, kBlack);
    c.ellipse(cx, cy, rx + 3, ry + 3, 0, kBlack);
    c.ellipse(cx, cy, rx, ry, 0, kWhite);
    if (shade > 0) c.shadeFur(cx, cy, rx, ry, shade);
}

// Face 1: crying.  Ink stays inside columns 37..155, rows 5..105.
void drawCrying(Canvas& c, const Variation& v) {
    Rng rng(v.seed);
    const double cx = 96;
    drawPandaHead(c, cx, 59, 56, 43, 44, 20, 15, v.shade);

    const Rgb sclera{250, 250, 248}, iris{96, 62, 34}, brow{52, 40, 36};
    const Rgb tear{70, 150, 240}, tearLight{170, 215, 255};
    for (int side = -1; side <= 1; side += 2) {
        double ex = cx + side * 22;
        // Drooping eye patch.
        c.ellipse(ex, 56, 16, 11.5, side * 0.45, kBlack);
        // Human eye looking up a little, wet highlight.
        c.ellipse(ex - side * 1, 54, 9, 5.5, side * 0.12, sclera);
        double ix = ex - side * 1 + rng.jitter() * 0.8;
        c.circle(ix, 53.5, 4.2, iris);
        c.circle(ix, 53.5, 2.0, kBlack);
        c.circle(ix + 1.2 + rng.jitter() * 0.5, 52.2, 1.0, kWhite);
        // Sad brows: inner ends raised.
        c.line(ex + side * 12, 40, ex - side * 9, 33.5, 3.0, brow);
        // Tear stream from the lower eye down the cheek, ending in a drop.
        std::vector<std::pair<double, double>> pts;
        double phase = rng.jitter() * kPi;
        for (double y = 59.5; y <= 94; y += 1.5) {
            double t = (y - 59.5) / 34.5;
            double x = ex + side * (1.5 + 5 * t) + 1.4 * std::sin(phase + y * 0.35) * t;
            pts.emplace_back(x, y);
        }
        c.stroke(pts, 2.5, 4.5, tear);
        double dx = pts.back().first, dy = pts.back().second;
        c.circle(dx, dy + 2.5, 3.6, tear);
        c.circle(dx - 1.0, dy + 1.5, 1.1, tearLight);
        // A loose drop a little further down the stream.
        double k = 0.45 + 0.15 * rng.jitter();
        auto& p = pts[size_t(k * (pts.size() - 1))];
        c.circle(p.first + side * 4.5, p.second + 3, 1.8, tear);
    }
    // Nose.
    c.ellipse(cx, 72, 6.5, 4.2, 0, kBlack);
    c.ellipse(cx - 2 + rng.jitter() * 0.6, 70.6, 1.8, 1.0, 0, Rgb{120, 120, 124});
    // Downturned, trembling mouth.
    c.arc(cx, 92.5, 13, 7.5, kPi * 1.13, kPi * 1.87, 3.0, Rgb{60, 24, 28});
}

// Face 2: grinning.  Ink stays inside columns 48..160, rows 14..106.
void drawGrinning(Canvas& c, const Variation& v) {
    Rng rng(v.seed + 1000003);
    const double cx = 104;
    drawPandaHead(c, cx, 62, 53, 41, 42, 27, 13, v.shade);

    const Rgb brow{52, 40, 36}, blush{248, 176, 180};
    for (int side = -1; side <= 1; side += 2) {
        double ex = cx + side * 23;
        c.ellipse(ex, 58, 16, 11.5, side * 0.40, kBlack);
        // Narrowed eyes: closed, upturned arcs.
        c.arc(ex, 62, 8.5, 5.5, kPi * 1.08, kPi * 1.92, 2.6, kWhite);
        // Lashes at the outer corner.
        c.line(ex + side * 8.5, 61, ex + side * 12, 59.5 + rng.jitter() * 0.6, 1.4, kWhite);
        // Raised brows.
        c.arc(ex, 45, 11, 5, kPi * 1.15, kPi * 1.85, 2.8, brow);
        // Blushing cheeks.
        c.ellipse(ex + side * 11 + rng.jitter() * 0.8, 79, 6, 3.5, 0, blush);
    }
    c.ellipse(cx, 73, 6.5, 4.2, 0, kBlack);
    c.ellipse(cx - 2 + rng.jitter() * 0.6, 71.6, 1.8, 1.0, 0, Rgb{120, 120, 124});

    // Wide grin: a half ellipse with a dark outline, upper teeth and tongue.
    const double my = 80, mrx = 23, mry = 16;
    auto inMouth = [=](double grow) {
        return [=](double x, double y) {
            double u = (x - cx) / (mrx + grow), vv = (y - my) / (mry + grow);
            return y >= my - grow && u * u + vv * vv <= 1.0;
        };
    };
    c.fill(cx - mrx - 3, my - 3, cx + mrx + 3, my + mry + 3, inMouth(2.2), kBlack);
    c.fill(cx - mrx, my, cx + mrx, my + mry, inMouth(0), Rgb{120, 26, 38});
    c.fill(cx - mrx, my + 8, cx + mrx, my + mry, [=](double x, double y) {
        double u = (x - cx) / 11, vv = (y - (my + mry)) / 7;
        return inMouth(0)(x, y) && u * u + vv * vv <= 1.0;
    }, Rgb{236, 118, 128});
    c.fill(cx - mrx, my, cx + mrx, my + 7, [=](double x, double y) {
        return inMouth(0)(x, y) && y <= my + 6.5;
    }, Rgb{252, 252, 246});
    double gap = 6.2 + 0.3 * rng.jitter();
    for (double tx = cx - gap * 3; tx <= cx + gap * 3 + 0.01; tx += gap)
        c.line(tx, my + 0.5, tx, my + 6, 0.9, Rgb{170, 168, 160});
}

// ------------------------------------------------------------------- jpeg --

std::vector<uint8_t> encodeJpeg(const std::vector<uint8_t>& rgb, int w, int h) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char* buf = nullptr;
    unsigned long len = 0;
    jpeg_mem_dest(&cinfo, &buf, &len);
    cinfo.image_width = JDIMENSION(w);
    cinfo.image_height = JDIMENSION(h);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 75, TRUE);
    cinfo.dct_method = JDCT_ISLOW;
    cinfo.optimize_coding = FALSE;
    cinfo.restart_interval = 0;
    cinfo.write_JFIF_header = TRUE;
    cinfo.JFIF_major_version = 1;
    cinfo.JFIF_minor_version = 1;
    cinfo.density_unit = 1;
    cinfo.X_density = 96;
    cinfo.Y_density = 96;
    cinfo.comp_info[0].h_samp_factor = 2;
    cinfo.comp_info[0].v_samp_factor = 2;
    for (int i = 1; i < 3; ++i) {
        cinfo.comp_info[i].h_samp_factor = 1;
        cinfo.comp_info[i].v_samp_factor = 1;
    }
    jpeg_start_compress(&cinfo, TRUE);
    // Empty Exif block: little-endian TIFF header and a directory with no
    // entries and no next directory.
    static const JOCTET exif[20] = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 0x2A, 0, 8, 0,
                                    0,   0,   0,   0,   0, 0, 0,   0};
    jpeg_write_marker(&cinfo, JPEG_APP0 + 1, exif, sizeof exif);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&rgb[size_t(cinfo.next_scanline) * w * 3]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    std::vector<uint8_t> out(buf, buf + len);
    jpeg_destroy_compress(&cinfo);
    free(buf);
    return out;
}

std::vector<uint8_t> decodeJpeg(const std::vector<uint8_t>& data, int& w, int& h) {
    jpeg_decompress_struct dinfo;
    jpeg_error_mgr jerr;
    dinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&dinfo);
    jpeg_mem_src(&dinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&dinfo, TRUE);
    dinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&dinfo);
    w = int(dinfo.output_width);
    h = int(dinfo.output_height);
    std::vector<uint8_t> out(size_t(w) * h * 3);
    while (dinfo.output_scanline < dinfo.output_height) {
        JSAMPROW row = &out[size_t(dinfo.output_scanline) * w * 3];
        jpeg_read_scanlines(&dinfo, &row, 1);
    }
    jpeg_finish_decompress(&dinfo);
    jpeg_destroy_decompress(&dinfo);
    return out;
}

// The decoded picture must be plain white around the head and exactly white
// from the caption band (row 120) down.
bool decodesCleanly(const FaceSpec& f, const std::vector<uint8_t>& jpg) {
    int w = 0, h = 0;
    std::vector<uint8_t> px = decodeJpeg(jpg, w, h);
    if (w != f.width || h != f.height) return false;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &px[(size_t(y) * w + x) * 3];
            if (y >= 120) {
                if (p[0] != 255 || p[1] != 255 || p[2] != 255) return false;
            } else if (x < f.left || x > f.right || y < f.top || y > f.bottom) {
                if (p[0] < 250 || p[1] < 250 || p[2] < 250) return false;
            }
        }
    return true;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& data) {
    FILE* fp = std::fopen(path.c_str(), "wb");
    if (!fp) return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), fp) == data.size();
    return std::fclose(fp) == 0 && ok;
}

// Tries shading levels (closest to the best guess first) and, for each, a
// run of seeds until a variation encodes to exactly f.length bytes.
bool makeFace(const FaceSpec& f, const std::string& outDir, std::vector<uint8_t>& jpg) {
    auto render = [&](const Variation& v) {
        Canvas c(f.width, f.height);
        f.draw(c, v);
        return encodeJpeg(c.resolve(), f.width, f.height);
    };
    // Pick the shading level whose seed-0 length is nearest the target.
    const int kMaxShade = 60;
    std::vector<std::pair<long, int>> byDistance;
    for (int shade = 0; shade <= kMaxShade; shade += 2) {
        long d = std::labs(long(render({shade, 0}).size()) - long(f.length));
        byDistance.emplace_back(d, shade);
    }
    std::stable_sort(byDistance.begin(), byDistance.end());
    for (size_t k = 0; k < 4 && k < byDistance.size(); ++k) {
        int shade = byDistance[k].second;
        for (uint64_t seed = 0; seed < 4000; ++seed) {
            std::vector<uint8_t> out = render({shade, seed});
            if (out.size() != f.length || !decodesCleanly(f, out)) continue;
            std::printf("%s: %dx%d, shade %d, seed %llu -> %zu bytes\n", f.file, f.width,
                        f.height, shade, static_cast<unsigned long long>(seed), out.size());
            jpg = std::move(out);
            if (writeFile(outDir + "/" + f.file, jpg)) return true;
            std::fprintf(stderr, "cannot write %s/%s\n", outDir.c_str(), f.file);
            return false;
        }
    }
    std::fprintf(stderr, "%s: no variation gives %zu bytes\n", f.file, f.length);
    return false;
}

// -------------------------------------------------------------------- icon --

void put16(std::vector<uint8_t>& v, unsigned x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}
void put32(std::vector<uint8_t>& v, uint32_t x) {
    put16(v, x & 0xFFFF);
    put16(v, x >> 16);
}

// 32 x 32, 32 bpp icon from face 1's head: the 128 x 128 square at columns
// 32..159 centred on the head's rows (5..105; white where the square runs
// off the top), averaged over 4 x 4 boxes.
std::vector<uint8_t> makeIcon(const std::vector<uint8_t>& face1Jpg) {
    int w = 0, h = 0;
    std::vector<uint8_t> px = decodeJpeg(face1Jpg, w, h);
    const int N = 32, box = 4, cropX = 32, cropY = 55 - 64;
    std::vector<uint8_t> bgra(size_t(N) * N * 4);
    for (int oy = 0; oy < N; ++oy)
        for (int ox = 0; ox < N; ++ox) {
            unsigned sum[3] = {0, 0, 0};
            for (int j = 0; j < box; ++j)
                for (int i = 0; i < box; ++i) {
                    int x = cropX + ox * box + i, y = cropY + oy * box + j;
                    for (int ch = 0; ch < 3; ++ch)
                        sum[ch] += (x >= 0 && y >= 0 && x < w && y < h)
                                       ? px[(size_t(y) * w + x) * 3 + ch]
                                       : 255u;
                }
            // DIB rows run bottom-up.
            uint8_t* o = &bgra[(size_t(N - 1 - oy) * N + ox) * 4];
            const unsigned n = box * box;
            o[0] = uint8_t((sum[2] + n / 2) / n);
            o[1] = uint8_t((sum[1] + n / 2) / n);
            o[2] = uint8_t((sum[0] + n / 2) / n);
            o[3] = 255;
        }
    const uint32_t maskBytes = N * 4;  // 32 one-bit pixels a row, already DWORD aligned
    const uint32_t imageBytes = 40 + uint32_t(bgra.size()) + maskBytes;
    std::vector<uint8_t> ico;
    put16(ico, 0);  // ICONDIR
    put16(ico, 1);
    put16(ico, 1);
    ico.push_back(N);  // ICONDIRENTRY
    ico.push_back(N);
    ico.push_back(0);
    ico.push_back(0);
    put16(ico, 1);
    put16(ico, 32);
    put32(ico, imageBytes);
    put32(ico, 6 + 16);
    put32(ico, 40);  // BITMAPINFOHEADER
    put32(ico, N);
    put32(ico, 2 * N);  // colour image plus AND mask
    put16(ico, 1);
    put16(ico, 32);
    put32(ico, 0);  // BI_RGB
    put32(ico, uint32_t(bgra.size()) + maskBytes);
    put32(ico, 0);
    put32(ico, 0);
    put32(ico, 0);
    put32(ico, 0);
    ico.insert(ico.end(), bgra.begin(), bgra.end());
    ico.insert(ico.end(), maskBytes, 0);
    return ico;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT_DIR\n", argv[0]);
        return 2;
    }
    const std::string outDir = argv[1];
    const FaceSpec faces[] = {
        {"face1.jpg", 195, 189, 5070, 26, 0, 160, 111, drawCrying},
        {"face2.jpg", 218, 234, 4891, 33, 5, 167, 117, drawGrinning},
    };
    std::vector<uint8_t> face1, face2;
    if (!makeFace(faces[0], outDir, face1)) return 1;
    if (!makeFace(faces[1], outDir, face2)) return 1;
    std::vector<uint8_t> ico = makeIcon(face1);
    if (!writeFile(outDir + "/tovimar.ico", ico)) {
        std::fprintf(stderr, "cannot write %s/tovimar.ico\n", outDir.c_str());
        return 1;
    }
    std::printf("tovimar.ico: 32x32, 32 bpp, %zu bytes\n", ico.size());
    return 0;
}
