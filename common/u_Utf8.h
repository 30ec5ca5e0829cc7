// UTF-8, the system code page: decoding one code point at a time, encoding, and the
// conversions to and from UTF-16 that resource names and the Windows host's file names
// need. The one encoder and decoder of the kit.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// What NextUtf8 gives for a byte that does not begin a valid sequence.
constexpr char32_t InvalidUtf8 = 0xFFFFFFFF;

// Decodes the code point at Pos and moves Pos past it. Overlong forms, surrogates,
// values above U+10FFFF and sequences cut short are invalid: then only their first
// byte is consumed and InvalidUtf8 is returned.
char32_t NextUtf8(std::string_view Text, size_t& Pos) noexcept;

// Appends the UTF-8 form of a code point; surrogates and values above U+10FFFF are
// written as U+FFFD.
void AppendUtf8(std::string& Out, char32_t CodePoint);

// Appends the UTF-16 form of a code point (a surrogate pair above U+FFFF); surrogates
// and values above U+10FFFF are written as U+FFFD.
void AppendUtf16(std::u16string& Out, char32_t CodePoint);

// UTF-8 to UTF-16, each invalid byte becoming U+FFFD; and back, an unpaired surrogate
// becoming U+FFFD.
std::u16string Utf8ToUtf16(std::string_view Text);
std::string Utf16ToUtf8(std::u16string_view Text);
