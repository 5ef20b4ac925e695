#include "package/file_source.h"

#include <algorithm>
#include <atomic>
#include <unordered_set>

#include "base/log.h"
#include "package/load_pacing.h"
#include "package/partial_stream.h"
#include "package/path_variables.h"
#include "package/windows_names.h"
#include "project/ini_values.h"

namespace orv {
namespace {

std::atomic<uint64_t> gNextSourceNumber{1};

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32) text.remove_suffix(1);
  return text;
}

std::string_view Unquote(std::string_view text) {
  text = TrimBlanks(text);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
  return text;
}

size_t EqualsOutsideQuotes(std::string_view line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '"') quoted = !quoted;
    if (line[i] == '=' && !quoted) return i;
  }
  return std::string_view::npos;
}

std::optional<WideString> NonEmptyWide(std::string_view utf8) {
  WideString wide;
  if (utf8.empty() || !TryUtf8ToUtf16(utf8, wide)) return std::nullopt;
  return wide;
}

// The text of a line as it stood in the project: text lines keep it in their value, and
// a line without ";" whose "=" made it a key is put back together.
std::string LineOf(const TIniItem& item) {
  if (item.IsKey()) return std::string(item.Name()) + "=" + std::string(item.Value());
  return std::string(item.Value());
}

class TTolerantFileStream : public TFileStream {
public:
  using TFileStream::TFileStream;
  size_t Read(void* buffer, size_t count) override {
    try {
      return TFileStream::Read(buffer, count);
    } catch (const EStreamError&) {
      return 0;
    }
  }
};

StreamPtr OpenNamedDiskFile(WideView name, bool tolerant) {
  const std::optional<std::string> path = DiskPathOf(ApplyPathVariables(name));
  if (!path || !DiskFileExists(*path)) return nullptr;
  try {
    StreamPtr file = tolerant ? std::make_unique<TTolerantFileStream>(*path, TFileMode::OpenRead)
                              : std::make_unique<TFileStream>(*path, TFileMode::OpenRead);
    return WithProgress(std::move(file), PaceLoading, nullptr);
  } catch (const EFOpenError&) {
    return nullptr;
  }
}

}  // namespace

// ---- TCallbackHandle

TCallbackHandle::TCallbackHandle(Ref<TFileSource> source, TPictureProvider provider) : FSource(std::move(source)) {
  std::lock_guard lock(FSource->FProvidersLock);
  FSource->FProviders.emplace_back(this, provider);
}

void TCallbackHandle::Dispose() {
  FSource->RemovePictureProvider(this);
  TRefObject::Dispose();
}

// ---- TFileSource

TFileSource::TFileSource() : FNumber(gNextSourceNumber.fetch_add(1)) {}

StreamPtr TFileSource::OpenLocked(WideView name) {
  std::lock_guard lock(FOpenLock);
  return OpenFile(name);
}

TOrientation TFileSource::OrientationOf(WideView) const { return orNormal; }

Ref<TCallbackHandle> TFileSource::AddPictureProvider(TPictureProvider provider) {
  return MakeRef<TCallbackHandle>(Ref<TFileSource>::Share(this), provider);
}

std::vector<TPictureProvider> TFileSource::PictureProviders() const {
  std::lock_guard lock(FProvidersLock);
  std::vector<TPictureProvider> providers;
  for (const auto& [handle, provider] : FProviders) providers.push_back(provider);
  return providers;
}

void TFileSource::RemovePictureProvider(const TCallbackHandle* handle) {
  std::lock_guard lock(FProvidersLock);
  std::erase_if(FProviders, [handle](const auto& entry) { return entry.first == handle; });
}

// ---- TRealFileSource

StreamPtr TRealFileSource::OpenFile(WideView name) { return OpenNamedDiskFile(name, true); }

// ---- TMappedFileSource

std::optional<std::pair<WideString, WideString>> ParseFileMapLine(std::string_view line) {
  line = TrimBlanks(line);
  if (line.starts_with(';')) line.remove_prefix(1);
  const size_t equals = EqualsOutsideQuotes(line);
  if (equals == std::string_view::npos) return std::nullopt;
  std::optional<WideString> source = NonEmptyWide(Unquote(line.substr(0, equals)));
  std::optional<WideString> target = NonEmptyWide(Unquote(line.substr(equals + 1)));
  if (!source || !target) return std::nullopt;
  return std::pair{std::move(*source), std::move(*target)};
}

std::optional<std::pair<WideString, int>> ParseOrientationLine(std::string_view line) {
  line = TrimBlanks(line);
  if (!line.starts_with(";\"")) return std::nullopt;
  line.remove_prefix(2);
  const size_t close = line.rfind("\"=");
  if (close == std::string_view::npos) return std::nullopt;
  std::optional<WideString> name = NonEmptyWide(line.substr(0, close));
  const std::optional<int32_t> code = ParseInteger(TrimBlanks(line.substr(close + 2)));
  if (!name || !code) return std::nullopt;
  return std::pair{std::move(*name), int(*code)};
}

void TMappedFileSource::LoadFileMap(const TIniList& section) {
  for (const TIniItem* item : section.Items()) {
    if (!item->IsText() && !item->IsKey()) continue;
    if (auto line = ParseFileMapLine(LineOf(*item))) FFileMap[LowerWide(line->first)].push_back(std::move(line->second));
  }
}

void TMappedFileSource::LoadOrientations(const TIniList& section) {
  for (const TIniItem* item : section.Items()) {
    if (!item->IsText()) continue;
    const auto line = ParseOrientationLine(item->Value());
    if (!line) continue;
    const int code = line->second;
    if (code == orNormal || code == orTurned180 || code == orTurnedClockwise || code == orTurnedCounterClockwise)
      FOrientations[LowerWide(line->first)] = static_cast<TOrientation>(code);
  }
}

TOrientation TMappedFileSource::OrientationOf(WideView name) const {
  const auto found = FOrientations.find(LowerWide(name));
  return found == FOrientations.end() ? orNormal : found->second;
}

const std::vector<WideString>* TMappedFileSource::MapTargets(WideView name) const {
  const auto found = FFileMap.find(LowerWide(name));
  return found == FFileMap.end() ? nullptr : &found->second;
}

StreamPtr TMappedFileSource::OpenFile(WideView name) {
  // A map may lead on to further mapped names; a chain that comes back to a name it
  // passed would never end, and opens nothing.
  WideString current(name);
  std::unordered_set<WideString> passed;
  while (const std::vector<WideString>* targets = MapTargets(current)) {
    if (!passed.insert(LowerWide(current)).second) {
      Log().Write("File map loops at \"" + Utf16ToUtf8(current) + "\"");
      return nullptr;
    }
    current = targets->front();
  }
  return OpenUnmapped(current);
}

StreamPtr TMappedFileSource::OpenUnmapped(WideView name) { return OpenNamedDiskFile(name, false); }

// ---- TPackedFileSource

StreamPtr TPackedFileSource::OpenUnmapped(WideView name) {
  try {
    return FPackage->OpenEntry(name, PaceLoading, nullptr);
  } catch (const Exception& error) {
    Log().Write("Package entry \"" + Utf16ToUtf8(name) + "\" is unreadable: " + error.what());
    return nullptr;
  }
}

}  // namespace orv
