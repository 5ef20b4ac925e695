// The byte layout of a show package, shared by the reader and the writer.
//
//   [anything]  entries  directory  D  ".dne"  [X]
//
// The directory is raw deflate data of a project text with one section per entry; D
// (64-bit, little-endian) is its position relative to the start of the package region;
// X, present only in the long trailer, is the length of that region.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/text.h"

namespace orv {

inline constexpr std::string_view kTrailerTag = ".dne";
inline constexpr int64_t kShortTrailerSize = 12;  // D and the tag
inline constexpr int64_t kLongTrailerSize = 20;   // D, the tag and X

// Scrambled entries are XORed with these 32 bytes.
inline constexpr std::string_view kPackageKey = "5E0C7A13D94B62F08A1D3C57B9E2406F";

// The directory's section and key names.
inline constexpr std::string_view kProtectionSection = "$protection$";
inline constexpr std::string_view kVersionKey = "orvversion";
inline constexpr std::string_view kStructurePositionKey = "strucpos";
inline constexpr std::string_view kAllowModifyKey = "allowmodify";
inline constexpr std::string_view kPositionKey = "_ps";
inline constexpr std::string_view kSizeKey = "_sz";
inline constexpr std::string_view kMethodKey = "_pm";

// The name of a show's project inside its package.
inline constexpr std::string_view kProjectEntryName = "Project.orv";

enum class TPackMethod : int {
  Stored = 0,
  Deflated = 1,
  Scrambled = 2,
};

// The directory section name of a file name: "[" becomes "<", "]" becomes ">", and every
// character below 32 becomes "#" and its code as two upper-case hexadecimal digits, so
// that any name survives as a section header. The result is UTF-8.
std::string NormalizeEntryName(WideView name);

// Reads and writes the little-endian 64-bit numbers of the trailer.
int64_t DecodeInt64(const uint8_t bytes[8]) noexcept;
void EncodeInt64(int64_t value, uint8_t bytes[8]) noexcept;

}  // namespace orv
