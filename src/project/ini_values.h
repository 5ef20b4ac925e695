// The value syntax of project text: numbers, booleans, lists, colours, font styles and
// the escaped form that lets a whole document (or a text with line breaks) live in one
// value. Every function works on the value's UTF-8 bytes; a value that does not match
// its syntax gives "no result" (or the caller's default), never an exception.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// Optional leading spaces (bytes 32 and 8), an optional "+" or "-", then decimal digits
// up to the end of the text; the number must fit the type.
std::optional<int32_t> ParseInteger(std::string_view text) noexcept;
std::optional<int64_t> ParseInt64(std::string_view text) noexcept;

// Optional leading spaces and sign, decimal digits with at most one ".", then optionally
// "E" or "e" and a signed integer exponent, up to the end of the text. A "," as decimal
// separator is not a number. Values beyond the range of double are not numbers either.
std::optional<double> ParseFloat(std::string_view text) noexcept;

// Exactly "1" or "0".
std::optional<bool> ParseBool(std::string_view text) noexcept;

// Fixed-point notation with 16 digits after the point, trailing zeros and a point left at
// the end dropped: 2.0 gives "2", 0.1 gives "0.1".
std::string FormatFloat(double value);

// Splits at every separator: n separators give n + 1 parts, an empty text gives none.
// Parts are not trimmed and view into `text`.
std::vector<std::string_view> SplitList(std::string_view text, char separator = ',');

struct TIntPair {
  int32_t First = 0;
  int32_t Second = 0;
  friend bool operator==(const TIntPair&, const TIntPair&) = default;
};
using TVector3 = std::array<double, 3>;
using TVector4 = std::array<double, 4>;

// Exactly two / three / four parts separated by ","; a part that is not a number takes its
// own default, any other number of parts gives all the defaults.
TIntPair ParseIntPair(std::string_view text, TIntPair defaults) noexcept;
TVector3 ParseVector3(std::string_view text, const TVector3& defaults) noexcept;
TVector4 ParseVector4(std::string_view text, const TVector4& defaults) noexcept;

struct TIniColor {
  uint8_t Red = 0;
  uint8_t Green = 0;
  uint8_t Blue = 0;
  uint8_t Alpha = 255;
  friend bool operator==(const TIniColor&, const TIniColor&) = default;
};

// "r,g,b" or "r,g,b,a" (decimal); "#RRGGBB" or a decimal colour number with red in the low
// byte, each optionally followed by "," and an alpha (decimal or "#" hexadecimal, capped at
// 255). Any other form gives `default_color` with an alpha of 255.
TIniColor ParseColor(std::string_view text, TIniColor default_color) noexcept;

// Font style flags; the words are compared exactly and unknown words are ignored.
enum TFontStyleFlag : uint32_t {
  fsBold = 1,
  fsItalic = 2,
  fsUnderline = 4,
  fsStrikeOut = 8,
};
uint32_t ParseFontStyle(std::string_view text) noexcept;

// Escaped form: every "\" doubled and every line end (CR LF, a lone CR or a lone LF)
// written as the two characters "\" and "n".
std::string EscapeText(std::string_view text);
void AppendEscaped(std::string& out, std::string_view text);
// "\\" gives "\" and "\n" gives CR LF; any other "\" sequence, or a "\" at the very end,
// makes the whole text invalid.
std::optional<std::string> UnescapeText(std::string_view escaped);

}  // namespace orv
