// The process-wide table of the parameters of every video file opened, so that what is
// known about a clip (size, rate, frame count, codec) can be looked up without opening it
// again.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "video/frame_source.h"

namespace orv {

class TVideoParamsTable {
 public:
  static TVideoParamsTable& Shared();

  // Enters `params` under `key` unless the key is there already (the first entry stays).
  // True when entered.
  bool Enter(const std::string& key, const TVideoParams& params);
  std::optional<TVideoParams> Find(const std::string& key) const;

 private:
  mutable std::mutex FLock;
  std::map<std::string, TVideoParams> FEntries;
};

// "NAME:DD.MM.YYYY" with the file's date in local time; "NAME:" when the date is not known
// (files inside a show package have none).
std::string VideoParamsKey(const std::string& name, std::optional<std::chrono::system_clock::time_point> file_date);

}  // namespace orv
