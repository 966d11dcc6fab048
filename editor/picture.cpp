#include "editor/picture.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE

#include <jpeglib.h>

namespace editor {
namespace {

// A picture larger than this is refused rather than allocated: the faces
// need 150 KB, and a damaged header must not ask for gigabytes.
constexpr std::size_t kMaxPixelBytes = 64u << 20;

struct ErrorManager {
    jpeg_error_mgr std;  // first member: libjpeg hands back a pointer to it
    std::jmp_buf escape;
    int warnings;
};

// The standard error exit ends the process; here a failed decode only drops
// the picture.
[[noreturn]] void OnError(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->escape, 1);
}

// Warnings (corrupt or truncated data) make the decode fail too, and nothing
// is written to the console.
void OnMessage(j_common_ptr cinfo, int level) {
    if (level < 0) ++reinterpret_cast<ErrorManager*>(cinfo->err)->warnings;
}

bool Decode(const unsigned char* data, std::size_t size, Picture& out) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.std);
    err.std.error_exit = OnError;
    err.std.emit_message = OnMessage;
    err.warnings = 0;
    if (setjmp(err.escape)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    const std::size_t row = std::size_t(cinfo.output_width) * cinfo.output_components;
    if (cinfo.output_components != 3 || row == 0 ||
        row * cinfo.output_height > kMaxPixelBytes) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    out.rgb.resize(row * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW line = out.rgb.data() + row * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &line, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return err.warnings == 0;
}

}  // namespace

bool DecodePicture(const unsigned char* data, std::size_t size, Picture& out) {
    out = Picture{};
    if (!data || size < 2 || data[0] != 0xFF || data[1] != 0xD8) return false;
    if (!Decode(data, size, out)) {
        out = Picture{};
        return false;
    }
    return true;
}

}  // namespace editor
