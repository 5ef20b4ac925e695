#include "text/text_params.h"

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>

namespace orv {
namespace {

constexpr size_t kMaxFontName = 31;
constexpr size_t kNumberFields = 8;

bool ChangesWhenLowered(char16_t c) { return c < 0xD800 || c >= 0xE000 ? FoldCase(c) != c : false; }

// Fixed point with `decimals` digits, trailing zeros removed (and the point too when asked).
WideString FixedPoint(double value, int decimals, bool drop_point) {
  if (!std::isfinite(value)) value = 0;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  std::string text = buffer;
  while (text.back() == '0') text.pop_back();
  if (drop_point && text.back() == '.') text.pop_back();
  if (text == "-0") text = "0";
  return AsciiToWide(text);
}

std::optional<double> ParseNumber(WideView field) {
  const std::string text = Utf16ToUtf8(field);
  if (text.empty()) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

void ApplyField(size_t index, WideView field, TTextParams& p) {
  if (index == 0) {
    p.FontName = UsedFontName(field);
    return;
  }
  if (index == 4) {
    p.Style = ParseStyleWords(field);
    return;
  }
  const std::optional<double> number = ParseNumber(field);
  if (!number) return;
  switch (index) {
    case 1: p.Scale = *number; break;
    case 2: p.OffsetX = float(*number); break;
    case 3: p.OffsetY = float(*number); break;
    case 5: if (*number >= 0 && *number <= 2) p.Alignment = uint8_t(*number); break;
    case 6: p.Correction = *number; break;
    case 7: if (std::abs(*number) < 2147483647.0) p.LineSpacing = int32_t(*number); break;
    default: break;
  }
}

}  // namespace

WideString UsedFontName(WideView name) { return WideString(name.substr(0, kMaxFontName)); }

WideString CaseEscape(WideView line) {
  WideString out;
  bool in_run = false;
  for (char16_t c : line) {
    const bool upper = ChangesWhenLowered(c);
    if (upper != in_run) out += upper ? u'<' : u'>';
    in_run = upper;
    out += c;
    if (c == u'<' || c == u'>') out += c;
  }
  if (in_run) out += u'>';
  return out;
}

WideString CaseUnescape(WideView text) {
  WideString out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if ((c == u'<' || c == u'>') && i + 1 < text.size() && text[i + 1] == c) {
      out += c;
      ++i;
    } else if (c == u'<') {
      const size_t close = text.find(u'>', i + 1);
      out += text.substr(i + 1, close == WideView::npos ? WideView::npos : close - i - 1);
      if (close == WideView::npos) break;
      i = close;
    } else {
      out += c;
    }
  }
  return out;
}

WideString QuotedText(const std::vector<WideString>& lines) {
  WideString text = u"\"";
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) text += u"\r\n";
    text += CaseEscape(lines[i]);
  }
  return text + u'"';
}

WideString EncodeTextName(const std::vector<WideString>& lines, const TTextParams& p) {
  WideString name(kTextNamePrefix);
  for (const WideString& field : {UsedFontName(p.FontName), FixedPoint(p.Scale, 6, true), FixedPoint(p.OffsetX, 6, true),
                                  FixedPoint(p.OffsetY, 6, true), StyleWords(p.Style), AsciiToWide(std::to_string(p.Alignment)),
                                  FixedPoint(p.Correction, 6, true), FixedPoint(p.LineSpacing, 2, false)})
    name += field + u':';
  return name + QuotedText(lines);
}

TDecodedTextName DecodeTextName(WideView name) {
  TDecodedTextName decoded;
  if (name.starts_with(kTextNamePrefix)) name.remove_prefix(kTextNamePrefix.size());
  const WideString plain = CaseUnescape(name);
  WideView rest = plain;
  for (size_t index = 0; index < kNumberFields; ++index) {
    const size_t colon = rest.find(u':');
    ApplyField(index, rest.substr(0, colon), decoded.Params);
    rest = colon == WideView::npos ? WideView() : rest.substr(colon + 1);
  }
  if (rest.size() > 1) {
    if (rest.front() == u'"') rest.remove_prefix(1);
    if (!rest.empty() && rest.back() == u'"') rest.remove_suffix(1);
  }
  decoded.Lines = SplitLines(rest);
  return decoded;
}

std::vector<WideString> SplitLines(WideView text) {
  std::vector<WideString> lines;
  if (text.empty()) return lines;
  WideString line;
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c != u'\r' && c != u'\n') {
      line += c;
      continue;
    }
    // CR LF and LF CR are one break.
    if (i + 1 < text.size() && (text[i + 1] == u'\r' || text[i + 1] == u'\n') && text[i + 1] != c) ++i;
    lines.push_back(std::move(line));
    line.clear();
  }
  lines.push_back(std::move(line));
  return lines;
}

}  // namespace orv
