// Texts are GBK bytes inside the program and UTF-16 at the window system.
// GB18030 (code page 54936) gives GBK's bytes for every GBK character and
// keeps a character outside GBK that a user types, where plain GBK (936)
// would turn it into "?".
#pragma once

#include <string>

namespace forms::win32 {

constexpr unsigned kProgramCodePage = 54936;

std::wstring Widen(const char* gbk);
std::wstring Widen(const char* gbk, std::size_t size);
// GBK bytes of a UTF-16 text (without the terminating zero).
std::string Narrow(const wchar_t* text, std::size_t length);

}  // namespace forms::win32
