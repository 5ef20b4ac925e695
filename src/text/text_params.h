// The settings of one text picture and the "Text: " picture name that carries them with the
// text, so that the slide host can make the picture from its name alone.
#pragma once

#include <cstdint>
#include <vector>

#include "base/text.h"
#include "text/vectorizer.h"

namespace orv {

inline constexpr std::u16string_view kTextNamePrefix = u"Text: ";

enum class TTextAlign : uint8_t { Left = 0, Center = 1, Right = 2 };

struct TTextParams {
  WideString FontName = u"Arial";  // at most 31 characters are used
  uint32_t Style = 0;              // TFontStyleBits
  uint8_t Alignment = 1;           // TTextAlign
  int32_t LineSpacing = 0;         // extra space between lines, 1/200 of the line height
  uint32_t Color = 0xFFFFFFFFu;    // for tinting; not part of the name
  double Scale = 1;                // output pixels per layout pixel
  double Correction = 1;           // kept for the text object; the renderer does not use it
  float OffsetX = 0;               // fractional pixel offset baked into the picture
  float OffsetY = 0;
  friend bool operator==(const TTextParams&, const TTextParams&) = default;
};

// The font name as the renderer uses it: at most 31 characters.
WideString UsedFontName(WideView name);

// A line with its upper-case runs in "<" ">" and literal "<" ">" doubled.
WideString CaseEscape(WideView line);
// The escapes of a whole name removed.
WideString CaseUnescape(WideView text);

// The quoted text field: a double quote, the escaped lines joined by CR LF, a double quote.
WideString QuotedText(const std::vector<WideString>& lines);

WideString EncodeTextName(const std::vector<WideString>& lines, const TTextParams& params);

struct TDecodedTextName {
  std::vector<WideString> Lines;
  TTextParams Params;
};
// Fields that do not parse keep their defaults; the colour is the default.
TDecodedTextName DecodeTextName(WideView name);

// The text split at CR, LF, CR LF or LF CR; an empty text has no lines.
std::vector<WideString> SplitLines(WideView text);

}  // namespace orv
