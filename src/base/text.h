// Text helpers: UTF-8 <-> UTF-16 conversion, the legacy 8-bit code page, and
// comparison of names without regard to case.
//
// User-visible and file-name text is UTF-16 (std::u16string); documents keep UTF-8
// bytes (std::string) and convert on access.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orv {

using WideString = std::u16string;
using WideView = std::u16string_view;

// Strict UTF-8 decoding: overlong forms, surrogate code points, values above
// U+10FFFF and truncated sequences raise EConvertError("Invalid UTF8 Char").
// Code points above U+FFFF become surrogate pairs.
WideString Utf8ToUtf16(std::string_view utf8);
// Like Utf8ToUtf16, but reports failure instead of raising.
bool TryUtf8ToUtf16(std::string_view utf8, WideString& out);
bool IsValidUtf8(std::string_view utf8);

// Surrogate pairs become one code point; a lone surrogate is written as U+FFFD.
std::string Utf16ToUtf8(WideView utf16);

// The legacy 8-bit code page of old documents (Windows-1252) to UTF-8.
// The five bytes that code page leaves undefined map to the C1 controls of the same value.
std::string Windows1252ToUtf8(std::string_view bytes);

// Simple Unicode lower-case mapping of one code point (identity when it has none).
char32_t FoldCase(char32_t code_point) noexcept;

// Case-insensitive equality of two UTF-8 names. Malformed bytes compare as themselves.
bool SameTextUtf8(std::string_view a, std::string_view b) noexcept;
bool SameText(WideView a, WideView b) noexcept;

// A hash of the case-folded name, consistent with SameTextUtf8.
uint32_t FoldedHashUtf8(std::string_view name) noexcept;

// Lower-cases a UTF-8 name through the folding table; malformed bytes are kept.
std::string LowerUtf8(std::string_view name);
WideString LowerWide(WideView text);

// ASCII-only helpers for the fixed keywords of our formats.
constexpr char AsciiLower(char c) noexcept { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }
bool SameTextAscii(std::string_view a, std::string_view b) noexcept;

// Convenience for narrow literals that are plain ASCII.
WideString AsciiToWide(std::string_view ascii);

}  // namespace orv
