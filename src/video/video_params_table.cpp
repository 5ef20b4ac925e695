#include "video/video_params_table.h"

#include "base/log.h"

namespace orv {

TVideoParamsTable& TVideoParamsTable::Shared() {
  static TVideoParamsTable table;
  return table;
}

bool TVideoParamsTable::Enter(const std::string& key, const TVideoParams& params) {
  std::lock_guard lock(FLock);
  return FEntries.try_emplace(key, params).second;
}

std::optional<TVideoParams> TVideoParamsTable::Find(const std::string& key) const {
  std::lock_guard lock(FLock);
  const auto found = FEntries.find(key);
  if (found == FEntries.end()) return std::nullopt;
  return found->second;
}

std::string VideoParamsKey(const std::string& name, std::optional<std::chrono::system_clock::time_point> file_date) {
  return name + ":" + (file_date ? FormatDate(*file_date) : std::string());
}

}  // namespace orv
