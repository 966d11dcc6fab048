#include "forms/win32/text.h"

#include <windows.h>

#include <cstring>

#include "forms/gb18030.h"

namespace forms::win32 {
namespace {

// GBK's own code page; the four-byte GB18030 forms are handled here where the
// system has no GB18030 code page (Wine has none).
constexpr UINT kGbk = 936;

bool SystemHasGb18030() {
    static const bool has = IsValidCodePage(kProgramCodePage) != 0;
    return has;
}

void AppendGbkRun(std::wstring& out, const char* p, std::size_t n) {
    if (!n) return;
    const int w = MultiByteToWideChar(kGbk, 0, p, static_cast<int>(n), nullptr, 0);
    if (w <= 0) return;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(w));
    MultiByteToWideChar(kGbk, 0, p, static_cast<int>(n), out.data() + at, w);
}

void AppendGbkRun(std::string& out, const wchar_t* p, std::size_t n) {
    if (!n) return;
    const int b = WideCharToMultiByte(kGbk, 0, p, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
    if (b <= 0) return;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(b));
    WideCharToMultiByte(kGbk, 0, p, static_cast<int>(n), out.data() + at, b, nullptr, nullptr);
}

}  // namespace

std::wstring Widen(const char* gbk) { return gbk ? Widen(gbk, std::strlen(gbk)) : std::wstring(); }

std::wstring Widen(const char* gbk, std::size_t size) {
    std::wstring out;
    if (!gbk || size == 0) return out;
    if (SystemHasGb18030()) {
        const int n = MultiByteToWideChar(kProgramCodePage, 0, gbk, static_cast<int>(size), nullptr, 0);
        if (n <= 0) return out;
        out.resize(static_cast<std::size_t>(n));
        MultiByteToWideChar(kProgramCodePage, 0, gbk, static_cast<int>(size), out.data(), n);
        return out;
    }
    const auto* p = reinterpret_cast<const unsigned char*>(gbk);
    std::size_t run = 0, i = 0;
    while (i < size) {
        if (StartsFourByte(p + i, static_cast<unsigned long>(size - i))) {
            AppendGbkRun(out, gbk + run, i - run);
            const char32_t cp = CodePointOfFourByte(p + i);
            if (cp >= 0x10000) {
                out += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
                out += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            } else {
                out += static_cast<wchar_t>(cp ? cp : 0xFFFD);
            }
            i += 4;
            run = i;
        } else {
            i += (p[i] >= 0x81 && p[i] <= 0xFE && i + 1 < size) ? 2 : 1;
        }
    }
    AppendGbkRun(out, gbk + run, size - run);
    return out;
}

std::string Narrow(const wchar_t* text, std::size_t length) {
    std::string out;
    if (!text || length == 0) return out;
    if (SystemHasGb18030()) {
        const int n = WideCharToMultiByte(kProgramCodePage, 0, text, static_cast<int>(length),
                                          nullptr, 0, nullptr, nullptr);
        if (n <= 0) return out;
        out.resize(static_cast<std::size_t>(n));
        WideCharToMultiByte(kProgramCodePage, 0, text, static_cast<int>(length), out.data(), n,
                            nullptr, nullptr);
        return out;
    }
    std::size_t run = 0, i = 0;
    while (i < length) {
        char32_t cp = text[i];
        std::size_t units = 1;
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            units = 2;
        }
        unsigned char four[4];
        if (FourByteOf(cp, four)) {
            AppendGbkRun(out, text + run, i - run);
            out.append(reinterpret_cast<const char*>(four), 4);
            run = i + units;
        }
        i += units;
    }
    AppendGbkRun(out, text + run, length - run);
    return out;
}

}  // namespace forms::win32
