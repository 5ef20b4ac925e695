// What text macros read from a JPEG's metadata: EXIF (APP1) description, date and comment,
// and IPTC-IIM datasets of record 2 from a Photoshop (APP13) block. The bytes are untrusted:
// every offset and count is bounded by its block, directory loops are cut, and bad data
// gives empty values rather than errors.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/stream.h"

namespace orv {

class TExif {
public:
  // Reads the stream from its position; false when it holds no EXIF block.
  bool Read(TStream& stream);
  bool ReadBytes(std::string_view file);

  // UTF-8, trimmed; empty when missing.
  const std::string& ImageDescription() const noexcept { return FDescription; }
  const std::string& DateTime() const noexcept { return FDateTime; }
  const std::string& UserComment() const noexcept { return FComment; }

private:
  bool ReadTiff(std::string_view tiff);

  std::string FDescription;
  std::string FDateTime;
  std::string FComment;
};

class TIPTCData {
public:
  bool Read(TStream& stream);
  bool ReadBytes(std::string_view file);

  // Every value of the record 2 dataset, in file order, UTF-8 and trimmed.
  const std::vector<std::string>& Values(int dataset) const;
  // The first value, or empty.
  std::string Value(int dataset) const;

private:
  void ReadResources(std::string_view block);
  void ReadRecords(std::string_view records);

  std::map<int, std::vector<std::string>> FDatasets;
};

}  // namespace orv
