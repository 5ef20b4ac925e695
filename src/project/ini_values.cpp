#include "project/ini_values.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace orv {

namespace {

constexpr bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// Number readers skip these before the sign; values are already trimmed of blanks, so
// this only matters for list parts such as the "0, 0, 0" of a colour.
std::string_view SkipNumberSpaces(std::string_view text) noexcept {
  size_t pos = 0;
  while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\b')) ++pos;
  return text.substr(pos);
}

template <class Int>
std::optional<Int> ParseSigned(std::string_view text) noexcept {
  text = SkipNumberSpaces(text);
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  using Unsigned = std::make_unsigned_t<Int>;
  // The magnitude of the most negative value is one more than the largest positive one.
  const Unsigned limit = static_cast<Unsigned>(std::numeric_limits<Int>::max()) + (negative ? 1 : 0);
  Unsigned magnitude = 0;
  for (char c : text) {
    if (!IsDigit(c)) return std::nullopt;
    const unsigned digit = static_cast<unsigned>(c - '0');
    if (magnitude > (limit - digit) / 10) return std::nullopt;
    magnitude = magnitude * 10 + digit;
  }
  if (!negative) return static_cast<Int>(magnitude);
  return magnitude == limit ? std::numeric_limits<Int>::min() : static_cast<Int>(-static_cast<Int>(magnitude));
}

// Checks the float syntax: digits with at most one ".", at least one digit, then an
// optional exponent with at least one digit.
bool IsFloatSyntax(std::string_view text) noexcept {
  size_t pos = 0;
  size_t digits = 0;
  bool point = false;
  for (; pos < text.size(); ++pos) {
    if (IsDigit(text[pos])) {
      ++digits;
    } else if (text[pos] == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  if (pos == text.size()) return true;
  if (text[pos] != 'e' && text[pos] != 'E') return false;
  ++pos;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
  if (pos == text.size()) return false;
  return std::all_of(text.begin() + static_cast<ptrdiff_t>(pos), text.end(), IsDigit);
}

constexpr int HexDigit(char c) noexcept {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "#" and hexadecimal digits after optional spaces; gives the digits.
std::optional<std::string_view> HexDigitsOf(std::string_view part) noexcept {
  part = SkipNumberSpaces(part);
  if (part.size() < 2 || part[0] != '#') return std::nullopt;
  part.remove_prefix(1);
  if (!std::all_of(part.begin(), part.end(), [](char c) { return HexDigit(c) >= 0; })) return std::nullopt;
  return part;
}

// The value of hexadecimal digits, saturated at `cap`.
uint32_t HexValue(std::string_view digits, uint32_t cap) noexcept {
  uint64_t value = 0;
  for (char c : digits) value = std::min<uint64_t>(value * 16 + static_cast<uint64_t>(HexDigit(c)), cap);
  return static_cast<uint32_t>(value);
}

uint8_t ColorAlpha(std::string_view part) noexcept {
  if (const auto digits = HexDigitsOf(part)) return static_cast<uint8_t>(HexValue(*digits, 255));
  return static_cast<uint8_t>(std::clamp(ParseInteger(part).value_or(255), 0, 255));
}

// "#RRGGBB" (the last six digits count) or a colour number with red in the low byte.
TIniColor ColorFromOnePart(std::string_view part, TIniColor default_color) noexcept {
  if (const auto digits = HexDigitsOf(part)) {
    const uint32_t rgb = HexValue(digits->substr(digits->size() - std::min<size_t>(digits->size(), 6)), 0xFFFFFF);
    return {uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb), 255};
  }
  if (const auto number = ParseInteger(part)) {
    const auto value = static_cast<uint32_t>(*number);
    return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), 255};
  }
  return {default_color.Red, default_color.Green, default_color.Blue, 255};
}

template <size_t N>
std::array<double, N> ParseFloats(std::string_view text, const std::array<double, N>& defaults) noexcept {
  const auto parts = SplitList(text);
  if (parts.size() != N) return defaults;
  std::array<double, N> result;
  for (size_t i = 0; i < N; ++i) result[i] = ParseFloat(parts[i]).value_or(defaults[i]);
  return result;
}

}  // namespace

std::optional<int32_t> ParseInteger(std::string_view text) noexcept { return ParseSigned<int32_t>(text); }

std::optional<int64_t> ParseInt64(std::string_view text) noexcept { return ParseSigned<int64_t>(text); }

std::optional<double> ParseFloat(std::string_view text) noexcept {
  text = SkipNumberSpaces(text);
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '+' || negative)) text.remove_prefix(1);
  if (!IsFloatSyntax(text)) return std::nullopt;
  // from_chars rounds correctly, which is the exact "digits times a power of ten" the
  // syntax describes, brought to the nearest double.
  double value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return negative ? -value : value;
}

std::optional<bool> ParseBool(std::string_view text) noexcept {
  if (text == "1") return true;
  if (text == "0") return false;
  return std::nullopt;
}

std::string FormatFloat(double value) {
  char buffer[400];
  const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 16);
  std::string text(buffer, error == std::errc() ? end : buffer);
  if (text.find('.') == std::string::npos) return text;
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

std::vector<std::string_view> SplitList(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  if (text.empty()) return parts;
  size_t start = 0;
  for (size_t at; (at = text.find(separator, start)) != std::string_view::npos; start = at + 1)
    parts.push_back(text.substr(start, at - start));
  parts.push_back(text.substr(start));
  return parts;
}

TIntPair ParseIntPair(std::string_view text, TIntPair defaults) noexcept {
  const auto parts = SplitList(text);
  if (parts.size() != 2) return defaults;
  return {ParseInteger(parts[0]).value_or(defaults.First), ParseInteger(parts[1]).value_or(defaults.Second)};
}

TVector3 ParseVector3(std::string_view text, const TVector3& defaults) noexcept {
  return ParseFloats(text, defaults);
}

TVector4 ParseVector4(std::string_view text, const TVector4& defaults) noexcept {
  return ParseFloats(text, defaults);
}

TIniColor ParseColor(std::string_view text, TIniColor default_color) noexcept {
  const auto parts = SplitList(text);
  const auto byte_of = [&](size_t i, int32_t fallback) {
    return static_cast<uint8_t>(ParseInteger(parts[i]).value_or(fallback));
  };
  switch (parts.size()) {
    case 1:
    case 2: {
      TIniColor color = ColorFromOnePart(parts[0], default_color);
      if (parts.size() == 2) color.Alpha = ColorAlpha(parts[1]);
      return color;
    }
    case 3:
    case 4:
      return {byte_of(0, 0), byte_of(1, 0), byte_of(2, 0), parts.size() == 4 ? byte_of(3, 255) : uint8_t(255)};
    default:
      return {default_color.Red, default_color.Green, default_color.Blue, 255};
  }
}

uint32_t ParseFontStyle(std::string_view text) noexcept {
  static constexpr std::pair<std::string_view, TFontStyleFlag> kWords[] = {
      {"Bold", fsBold}, {"Italic", fsItalic}, {"Underline", fsUnderline}, {"StrikeOut", fsStrikeOut}};
  uint32_t style = 0;
  for (std::string_view word : SplitList(text))
    for (const auto& [name, flag] : kWords)
      if (word == name) style |= flag;
  return style;
}

void AppendEscaped(std::string& out, std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\\n";
    } else {
      out += c;
    }
  }
}

std::string EscapeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendEscaped(out, text);
  return out;
}

std::optional<std::string> UnescapeText(std::string_view escaped) {
  std::string out;
  out.reserve(escaped.size());
  for (size_t i = 0; i < escaped.size(); ++i) {
    if (escaped[i] != '\\') {
      out += escaped[i];
      continue;
    }
    if (++i == escaped.size()) return std::nullopt;
    if (escaped[i] == '\\')
      out += '\\';
    else if (escaped[i] == 'n')
      out += "\r\n";
    else
      return std::nullopt;
  }
  return out;
}

}  // namespace orv
