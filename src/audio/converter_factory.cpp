#include "audio/converter_factory.h"

#include <map>
#include <mutex>

namespace orv {
namespace {

// The process-wide tables of the sound kinds; filled at start-up, read afterwards.
struct TFactoryTables {
  std::mutex Lock;
  std::map<TMediaType, TConverterCreator> Creators;
  TAudioOpener Opener;
};

TFactoryTables& Tables() {
  static TFactoryTables tables;
  return tables;
}

StreamPtr OpenFromDisk(const std::string& name) {
  const std::string prefix = kLoadFromDiskPrefix;
  const std::string path = name.starts_with(prefix) ? name.substr(prefix.size()) : name;
  try {
    return std::make_unique<TFileStream>(path, TFileMode::OpenRead);
  } catch (const EFileError&) {
    return nullptr;
  }
}

}  // namespace

void RegisterConverterCreator(TMediaType type, TConverterCreator creator) {
  std::lock_guard lock(Tables().Lock);
  Tables().Creators[type] = std::move(creator);
}

Ref<TWavConverter> CreateConverter(StreamPtr stream, const std::string& name, const TMediaInfo& info) {
  TConverterCreator creator;
  {
    std::lock_guard lock(Tables().Lock);
    const auto found = Tables().Creators.find(info.Type);
    if (found == Tables().Creators.end() || !found->second) return nullptr;
    creator = found->second;
  }
  Ref<TWavConverter> converter = creator(std::move(stream), name, info);
  if (converter && !converter->Open(info)) return nullptr;
  return converter;
}

void SetAudioOpener(TAudioOpener opener) {
  std::lock_guard lock(Tables().Lock);
  Tables().Opener = std::move(opener);
}

StreamPtr OpenAudioFile(const std::string& name) {
  TAudioOpener opener;
  {
    std::lock_guard lock(Tables().Lock);
    opener = Tables().Opener;
  }
  return opener ? opener(name) : OpenFromDisk(name);
}

}  // namespace orv
