#include "package/file_accessor.h"

#include "package/path_variables.h"
#include "package/windows_names.h"

namespace orv {
namespace {

std::optional<std::string> ExistingDiskPath(WideView name) {
  std::optional<std::string> path = DiskPathOf(name);
  if (path && DiskFileExists(*path)) return path;
  return std::nullopt;
}

}  // namespace

TFileAccessor::TFileAccessor(Ref<TFileSource> source, WideString base_folder)
    : FSource(std::move(source)), FBaseFolder(std::move(base_folder)) {}

StreamPtr TFileAccessor::OpenStream(WideView name) {
  if (StreamPtr stream = FSource->OpenLocked(name)) return stream;
  // A loose project names its files as they were on the author's machine, or relative to
  // wherever the program was started; the files that travelled with it lie in its base
  // folder, where they are found by their last name component (as FindFile finds them).
  if (!FSource->ReadsDisk() || FBaseFolder.empty()) return nullptr;
  const WideString beside = FBaseFolder + WideString(LastNameComponent(name));
  if (beside == name) return nullptr;
  return FSource->OpenLocked(beside);
}

std::optional<std::string> TFileAccessor::FindFile(WideView name) const {
  if (auto path = ExistingDiskPath(name)) return path;
  if (auto path = ExistingDiskPath(ApplyPathVariables(name))) return path;
  if (FBaseFolder.empty()) return std::nullopt;
  return ExistingDiskPath(FBaseFolder + WideString(LastNameComponent(name)));
}

StreamPtr TFileAccessor::OpenDiskFile(WideView name) const {
  const std::optional<std::string> path = FindFile(name);
  if (!path) return nullptr;
  try {
    return std::make_unique<TFileStream>(*path, TFileMode::OpenRead);
  } catch (const EFOpenError&) {
    return nullptr;
  }
}

Ref<TCallbackHandle> TFileAccessor::AddPictureProvider(TPictureProvider provider) {
  return FSource->AddPictureProvider(provider);
}

Ref<TFileAccessor> TFileAccessor::Clone() const { return MakeRef<TFileAccessor>(FSource, FBaseFolder); }

const Ref<TFileAccessor>& DefaultFileAccessor() {
  static const Ref<TFileAccessor> accessor = MakeRef<TFileAccessor>(MakeRef<TRealFileSource>(), WideString());
  return accessor;
}

}  // namespace orv
