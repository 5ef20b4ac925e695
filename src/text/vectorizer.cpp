#include "text/vectorizer.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace orv {
namespace {

constexpr std::array<std::u16string_view, 4> kStyleWords{u"Bold", u"Italic", u"Underline", u"StrikeOut"};

}  // namespace

WideString StyleWords(uint32_t style) {
  WideString words;
  for (size_t bit = 0; bit < kStyleWords.size(); ++bit)
    if (style & (1u << bit)) {
      if (!words.empty()) words += u',';
      words += kStyleWords[bit];
    }
  return words;
}

uint32_t ParseStyleWords(WideView words) {
  uint32_t style = 0;
  while (!words.empty()) {
    const size_t comma = words.find(u',');
    const WideView word = words.substr(0, comma);
    for (size_t bit = 0; bit < kStyleWords.size(); ++bit)
      if (SameText(word, kStyleWords[bit])) style |= 1u << bit;
    words = comma == WideView::npos ? WideView() : words.substr(comma + 1);
  }
  return style;
}

WideString FontKey(WideView name, uint32_t style) { return WideString(name) + u':' + StyleWords(style); }

TFontParams FontOfKey(WideView key, float size) {
  const size_t colon = key.rfind(u':');
  TFontParams font;
  font.Name = WideString(key.substr(0, colon));
  font.Style = colon == WideView::npos ? 0 : ParseStyleWords(key.substr(colon + 1));
  font.Size = size;
  return font;
}

int PixelsPerEm(float points) {
  const double pixels = std::round(double(points) * 96 / 72);
  return std::isfinite(pixels) ? int(std::clamp(pixels, 1.0, 10000.0)) : 1;
}

}  // namespace orv
