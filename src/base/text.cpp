#include "base/text.h"

#include "base/exceptions.h"

namespace orv {

namespace case_fold {
extern const uint16_t kPageIndex[0x1100];
extern const int32_t kPages[][256];
}  // namespace case_fold

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one strict UTF-8 sequence at `pos`. Returns false on malformed input and leaves
// `pos` untouched in that case.
bool DecodeUtf8(std::string_view s, size_t& pos, char32_t& out) noexcept {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x80) {
    out = lead;
    ++pos;
    return true;
  }
  int extra;
  char32_t min;
  if ((lead & 0xE0) == 0xC0) {
    extra = 1, min = 0x80, out = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, min = 0x800, out = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, min = 0x10000, out = lead & 0x07;
  } else {
    return false;
  }
  if (pos + extra >= s.size()) return false;
  for (int i = 1; i <= extra; ++i) {
    const unsigned char next = byte(pos + i);
    if ((next & 0xC0) != 0x80) return false;
    out = (out << 6) | (next & 0x3F);
  }
  if (out < min || out > 0x10FFFF || (out >= 0xD800 && out <= 0xDFFF)) return false;
  pos += extra + 1;
  return true;
}

// Lenient decoding for comparisons: a malformed byte stands for itself, in a range
// no real code point uses.
char32_t NextFoldedCodePoint(std::string_view s, size_t& pos) noexcept {
  const unsigned char lead = static_cast<unsigned char>(s[pos]);
  if (lead < 0x80) {
    ++pos;
    return static_cast<char32_t>(AsciiLower(static_cast<char>(lead)));
  }
  char32_t cp;
  if (!DecodeUtf8(s, pos, cp)) {
    ++pos;
    return 0x110000 + lead;
  }
  return FoldCase(cp);
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

void AppendUtf16(WideString& out, char32_t cp) {
  if (cp < 0x10000) {
    out += static_cast<char16_t>(cp);
  } else {
    cp -= 0x10000;
    out += static_cast<char16_t>(0xD800 + (cp >> 10));
    out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
  }
}

// Reads one code point of UTF-16 text; a lone surrogate reads as U+FFFD.
char32_t NextUtf16(WideView s, size_t& pos) noexcept {
  const char16_t unit = s[pos++];
  if (unit >= 0xD800 && unit <= 0xDBFF && pos < s.size() && s[pos] >= 0xDC00 && s[pos] <= 0xDFFF)
    return 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (s[pos++] - 0xDC00);
  if (unit >= 0xD800 && unit <= 0xDFFF) return kReplacement;
  return unit;
}

bool IsAscii(std::string_view s) noexcept {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

}  // namespace

bool TryUtf8ToUtf16(std::string_view utf8, WideString& out) {
  // UTF-16 never needs more code units than UTF-8 has bytes: size once, write through a
  // pointer, cut to length at the end.
  out.resize(utf8.size());
  char16_t* write = out.data();
  size_t pos = 0;
  while (pos < utf8.size()) {
    const unsigned char c = static_cast<unsigned char>(utf8[pos]);
    if (c < 0x80) {
      *write++ = c;
      ++pos;
      continue;
    }
    char32_t cp;
    if (!DecodeUtf8(utf8, pos, cp)) {
      out.clear();
      return false;
    }
    if (cp < 0x10000) {
      *write++ = static_cast<char16_t>(cp);
    } else {
      cp -= 0x10000;
      *write++ = static_cast<char16_t>(0xD800 + (cp >> 10));
      *write++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
  }
  out.resize(static_cast<size_t>(write - out.data()));
  return true;
}

WideString Utf8ToUtf16(std::string_view utf8) {
  WideString out;
  if (!TryUtf8ToUtf16(utf8, out)) throw EConvertError("Invalid UTF8 Char");
  return out;
}

bool IsValidUtf8(std::string_view utf8) {
  size_t pos = 0;
  char32_t cp;
  while (pos < utf8.size())
    if (!DecodeUtf8(utf8, pos, cp)) return false;
  return true;
}

std::string Utf16ToUtf8(WideView utf16) {
  std::string out;
  out.reserve(utf16.size());
  size_t pos = 0;
  while (pos < utf16.size()) AppendUtf8(out, NextUtf16(utf16, pos));
  return out;
}

std::string Windows1252ToUtf8(std::string_view bytes) {
  // 0x80..0x9F of Windows-1252; 0 marks the five undefined bytes.
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out += c;
    } else if (b < 0xA0 && kHigh[b - 0x80] != 0) {
      AppendUtf8(out, kHigh[b - 0x80]);
    } else {
      AppendUtf8(out, b);
    }
  }
  return out;
}

char32_t FoldCase(char32_t cp) noexcept {
  if (cp < 0x80) return static_cast<char32_t>(AsciiLower(static_cast<char>(cp)));
  if (cp > 0x10FFFF) return cp;
  return static_cast<char32_t>(cp + case_fold::kPages[case_fold::kPageIndex[cp >> 8]][cp & 0xFF]);
}

bool SameTextAscii(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

bool SameTextUtf8(std::string_view a, std::string_view b) noexcept {
  if (a.size() == b.size() && IsAscii(a) && IsAscii(b)) return SameTextAscii(a, b);
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size())
    if (NextFoldedCodePoint(a, i) != NextFoldedCodePoint(b, j)) return false;
  return i == a.size() && j == b.size();
}

bool SameText(WideView a, WideView b) noexcept {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size())
    if (FoldCase(NextUtf16(a, i)) != FoldCase(NextUtf16(b, j))) return false;
  return i == a.size() && j == b.size();
}

uint32_t FoldedHashUtf8(std::string_view name) noexcept {
  // Folded code points are packed three to a 64-bit word (21 bits each) and each word is
  // mixed once. Packing by code point, not by byte, keeps the hash equal for names that
  // fold alike but differ in byte length.
  uint64_t h = 0x9E3779B97F4A7C15ull;
  uint64_t word = 0;
  int filled = 0;
  size_t pos = 0;
  while (pos < name.size()) {
    const unsigned char c = static_cast<unsigned char>(name[pos]);
    char32_t cp;
    if (c < 0x80) {
      cp = static_cast<char32_t>(AsciiLower(static_cast<char>(c)));
      ++pos;
    } else {
      size_t next = pos;  // a local copy keeps `pos` in a register on the ASCII path
      cp = NextFoldedCodePoint(name, next);
      pos = next;
    }
    word = (word << 21) | cp;
    if (++filled == 3) {
      h = (h ^ word) * 0xFF51AFD7ED558CCDull;
      h ^= h >> 29;
      word = 0;
      filled = 0;
    }
  }
  if (filled) {
    h = (h ^ word) * 0xFF51AFD7ED558CCDull;
    h ^= h >> 29;
  }
  return static_cast<uint32_t>(h ^ (h >> 32));
}

std::string LowerUtf8(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  size_t pos = 0;
  while (pos < name.size()) {
    const size_t start = pos;
    const char32_t cp = NextFoldedCodePoint(name, pos);
    if (cp > 0x10FFFF)
      out += name[start];
    else
      AppendUtf8(out, cp);
  }
  return out;
}

WideString LowerWide(WideView text) {
  WideString out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) AppendUtf16(out, FoldCase(NextUtf16(text, pos)));
  return out;
}

WideString AsciiToWide(std::string_view ascii) {
  return WideString(ascii.begin(), ascii.end());
}

}  // namespace orv
