#include "package/package_format.h"

namespace orv {

std::string NormalizeEntryName(WideView name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  WideString normalized;
  normalized.reserve(name.size());
  for (const char16_t c : name) {
    if (c == u'[') {
      normalized += u'<';
    } else if (c == u']') {
      normalized += u'>';
    } else if (c < 32) {
      normalized += {u'#', char16_t(kHex[c >> 4]), char16_t(kHex[c & 15])};
    } else {
      normalized += c;
    }
  }
  return Utf16ToUtf8(normalized);
}

int64_t DecodeInt64(const uint8_t bytes[8]) noexcept {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[i];
  return static_cast<int64_t>(value);
}

void EncodeInt64(int64_t value, uint8_t bytes[8]) noexcept {
  auto bits = static_cast<uint64_t>(value);
  for (int i = 0; i < 8; ++i, bits >>= 8) bytes[i] = static_cast<uint8_t>(bits);
}

}  // namespace orv
