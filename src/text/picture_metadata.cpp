#include "text/picture_metadata.h"

#include <algorithm>
#include <set>

#include "base/text.h"

namespace orv {
namespace {

// Metadata lives in the first segments; a file is not read beyond this for it.
constexpr size_t kMaxHeaderBytes = 16 << 20;
constexpr size_t kMaxAsciiValue = 10000;
constexpr int kEmptyDirectoryCount = 100;  // an entry count of 0 is read as this many
constexpr uint16_t kTagDescription = 270, kTagDateTime = 306, kTagExifIfd = 34665, kTagUserComment = 37510;

std::string Trimmed(std::string_view text) {
  const auto not_space = [](char c) { return c != ' ' && c != '\0' && c != '\t' && c != '\r' && c != '\n'; };
  const auto first = std::find_if(text.begin(), text.end(), not_space);
  const auto last = std::find_if(text.rbegin(), text.rend(), not_space).base();
  return first < last ? std::string(first, last) : std::string();
}

// Text of a byte-oriented field: UTF-8 when it is, else the legacy code page.
std::string AsUtf8(std::string_view bytes) {
  const std::string text = Trimmed(bytes);
  return IsValidUtf8(text) ? text : Windows1252ToUtf8(text);
}

std::string ReadHeader(TStream& stream) {
  std::string bytes(kMaxHeaderBytes, '\0');
  bytes.resize(stream.Read(bytes.data(), bytes.size()));
  return bytes;
}

// Calls `visit(marker, payload)` for each JPEG segment before the image data; stops when it
// answers true. False when the bytes do not start a JPEG.
template <class Visit>
bool ForEachSegment(std::string_view file, const Visit& visit) {
  if (file.size() < 2 || uint8_t(file[0]) != 0xFF || uint8_t(file[1]) != 0xD8) return false;
  size_t at = 2;
  while (at + 4 <= file.size() && uint8_t(file[at]) == 0xFF) {
    const uint8_t marker = uint8_t(file[at + 1]);
    if (marker == 0xDA || marker == 0xD9) break;  // image data or the end
    const size_t length = size_t(uint8_t(file[at + 2])) << 8 | uint8_t(file[at + 3]);
    if (length < 2 || at + 2 + length > file.size()) break;
    if (visit(marker, file.substr(at + 4, length - 2))) break;
    at += 2 + length;
  }
  return true;
}

class TTiffReader {
public:
  explicit TTiffReader(std::string_view tiff) : FTiff(tiff), FBigEndian(tiff.substr(0, 2) == "MM") {}

  bool Has(size_t at, size_t size) const { return at <= FTiff.size() && size <= FTiff.size() - at; }
  uint32_t Get(size_t at, int size) const {
    if (!Has(at, size_t(size))) return 0;
    uint32_t value = 0;
    for (int i = 0; i < size; ++i) {
      const uint32_t byte = uint8_t(FTiff[at + size_t(i)]);
      value |= FBigEndian ? byte << (8 * (size - 1 - i)) : byte << (8 * i);
    }
    return value;
  }
  // The value bytes of an entry: inside it up to four bytes, else at its offset.
  std::string_view Value(size_t entry, size_t size) const {
    const size_t at = size <= 4 ? entry + 8 : Get(entry + 8, 4);
    return Has(at, size) ? FTiff.substr(at, size) : std::string_view();
  }

private:
  std::string_view FTiff;
  bool FBigEndian;
};

// UserComment: an 8-byte character code, then the text.
std::string CommentText(std::string_view value) {
  if (value.size() < 8) return {};
  const std::string_view code = value.substr(0, 8);
  const std::string_view text = value.substr(8);
  if (code.starts_with("UNICODE")) {
    WideString wide;
    for (size_t i = 0; i + 1 < text.size(); i += 2) wide += char16_t(uint8_t(text[i]) | uint8_t(text[i + 1]) << 8);
    return Trimmed(Utf16ToUtf8(wide));
  }
  return AsUtf8(text);
}

}  // namespace

// ---- TExif

bool TExif::Read(TStream& stream) { return ReadBytes(ReadHeader(stream)); }

bool TExif::ReadBytes(std::string_view file) {
  bool found = false;
  ForEachSegment(file, [&](uint8_t marker, std::string_view payload) {
    if (marker != 0xE1 || !payload.starts_with(std::string_view("Exif\0\0", 6))) return false;
    found = ReadTiff(payload.substr(6));
    return true;
  });
  return found;
}

bool TExif::ReadTiff(std::string_view tiff) {
  const TTiffReader in(tiff);
  if (!in.Has(0, 8)) return false;
  std::vector<uint32_t> directories{in.Get(4, 4)};
  std::set<uint32_t> seen;
  while (!directories.empty()) {
    const uint32_t directory = directories.back();
    directories.pop_back();
    if (!seen.insert(directory).second || !in.Has(directory, 2)) continue;  // a loop, or outside
    int count = int(in.Get(directory, 2));
    if (count == 0) count = kEmptyDirectoryCount;
    for (int i = 0; i < count; ++i) {
      const size_t entry = directory + 2 + 12 * size_t(i);
      if (!in.Has(entry, 12)) break;
      const uint16_t tag = uint16_t(in.Get(entry, 2));
      const uint32_t size = in.Get(entry + 4, 4);
      if (tag == kTagExifIfd) directories.push_back(in.Get(entry + 8, 4));
      if (size > kMaxAsciiValue) continue;
      const std::string_view value = in.Value(entry, size);
      if (tag == kTagDescription) FDescription = AsUtf8(value);
      if (tag == kTagDateTime) FDateTime = AsUtf8(value);
      if (tag == kTagUserComment && FComment.empty()) FComment = CommentText(value);
    }
  }
  return true;
}

// ---- TIPTCData

bool TIPTCData::Read(TStream& stream) { return ReadBytes(ReadHeader(stream)); }

bool TIPTCData::ReadBytes(std::string_view file) {
  FDatasets.clear();
  bool found = false;
  ForEachSegment(file, [&](uint8_t marker, std::string_view payload) {
    if (marker != 0xED) return false;
    for (std::string_view header : {std::string_view("Photoshop 3.0\0", 14), std::string_view("Adobe_Photoshop2.5:")})
      if (payload.starts_with(header)) {
        ReadResources(payload.substr(header.size()));
        found = true;
        return true;
      }
    return false;
  });
  return found;
}

// Photoshop resource blocks: "8BIM", id, a padded Pascal name, a size and the padded data;
// block 0x0404 holds the IPTC records.
void TIPTCData::ReadResources(std::string_view block) {
  const auto big16 = [&](size_t at) { return size_t(uint8_t(block[at])) << 8 | uint8_t(block[at + 1]); };
  size_t at = 0;
  while (at + 7 <= block.size() && block.substr(at, 4) == "8BIM") {
    const size_t id = big16(at + 4);
    const size_t name_size = (1 + size_t(uint8_t(block[at + 6]) ) + 1) & ~size_t(1);
    const size_t size_at = at + 6 + name_size;
    if (size_at + 4 > block.size()) return;
    const size_t size = big16(size_at) << 16 | big16(size_at + 2);
    const size_t data_at = size_at + 4;
    if (size > block.size() - data_at) return;
    if (id == 0x0404) ReadRecords(block.substr(data_at, size));
    at = data_at + ((size + 1) & ~size_t(1));
  }
}

void TIPTCData::ReadRecords(std::string_view records) {
  size_t at = 0;
  while (at + 5 <= records.size() && uint8_t(records[at]) == 0x1C) {
    const int record = uint8_t(records[at + 1]);
    const int dataset = uint8_t(records[at + 2]);
    size_t size = size_t(uint8_t(records[at + 3])) << 8 | uint8_t(records[at + 4]);
    at += 5;
    if (size & 0x8000) {  // extended: the low bits give how many bytes hold the size
      const size_t length_bytes = size & 0x7FFF;
      if (length_bytes > 4 || length_bytes > records.size() - at) return;
      size = 0;
      for (size_t i = 0; i < length_bytes; ++i) size = size << 8 | uint8_t(records[at + i]);
      at += length_bytes;
    }
    if (size > records.size() - at) return;
    if (record == 2) FDatasets[dataset].push_back(AsUtf8(records.substr(at, size)));
    at += size;
  }
}

const std::vector<std::string>& TIPTCData::Values(int dataset) const {
  static const std::vector<std::string> kNone;
  const auto found = FDatasets.find(dataset);
  return found == FDatasets.end() ? kNone : found->second;
}

std::string TIPTCData::Value(int dataset) const {
  const std::vector<std::string>& values = Values(dataset);
  return values.empty() ? std::string() : values.front();
}

}  // namespace orv
