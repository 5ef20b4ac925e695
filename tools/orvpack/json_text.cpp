#include "json_text.h"

#include <charconv>
#include <cstdio>

#include "base/text.h"

namespace orv::orvpack {

std::string Number(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string JsonString(std::string_view utf8) {
  const std::string text = IsValidUtf8(utf8) ? std::string(utf8) : Windows1252ToUtf8(utf8);
  std::string json = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      json += escaped;
    } else {
      json += c;
    }
  }
  return json + "\"";
}

}  // namespace orv::orvpack
