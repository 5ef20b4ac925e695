#include "package/show_locator.h"

#include <algorithm>
#include <filesystem>

#include "package/path_variables.h"
#include "package/windows_names.h"

namespace orv {
namespace {

WideString ReadText(const TIniItem* item) {
  WideString text;
  return TryUtf8ToUtf16(ReadUtf8(item), text) ? text : WideString();
}

WideString DiskFolderOf(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return WideFromDiskPath((error ? std::filesystem::path(path) : absolute).parent_path().string() + "/");
}

// FindFile's last resort: the folder of the executable the project stands for, when it
// exists here; a project made on another machine names a folder of that machine, and
// then the project's own folder serves.
WideString BaseFolderOfProject(const TIniFile& project, const std::string& project_path) {
  const WideString program = ReadText(project.FindKey("Main", "opt_exefn"));
  const std::optional<std::string> folder = DiskPathOf(FolderOfName(program));
  std::error_code error;
  if (folder && !folder->empty() && std::filesystem::is_directory(*folder, error))
    return WideFromDiskPath(*folder);
  return DiskFolderOf(project_path);
}

TPathModifiers ModifiersOf(const TIniSection& section) {
  TPathModifiers modifiers;
  // Each modifier takes three keys, so a count beyond the section's keys is damage.
  const int count = std::min<int64_t>(ReadInteger(section.FindKey("Count"), 0), section.NamedCount());
  for (int i = 0; i < count; ++i) {
    const std::string index = std::to_string(i);
    modifiers.Add(ReadText(section.FindKey("Env" + index)), ReadText(section.FindKey("Path" + index)),
                  ReadBool(section.FindKey("Def" + index), false));
  }
  return modifiers;
}

}  // namespace

TOrvShowLocator::TOrvShowLocator(Ref<TFileAccessor> accessor, WideString project_name)
    : FAccessor(std::move(accessor)), FProjectName(std::move(project_name)) {
  if (!ReadProject()) return;
  FOrvVersion = ReadText(FProject->FindKey("Main", "OrvVersion"));
  LoadSourceTables();
}

bool TOrvShowLocator::ReadProject() {
  const StreamPtr stream = FAccessor->OpenStream(FProjectName);
  if (!stream) return false;
  auto project = MakeRef<TIniFile>();
  if (!project->LoadFromStream(*stream)) return false;
  FProject = std::move(project);
  return true;
}

void TOrvShowLocator::LoadSourceTables() {
  auto* mapped = dynamic_cast<TMappedFileSource*>(FAccessor->Source().Get());
  if (!mapped) return;
  if (const TIniSection* file_map = FProject->FindSection("FileMap")) mapped->LoadFileMap(*file_map);
  if (const TIniSection* orientations = FProject->FindSection("RotationState")) mapped->LoadOrientations(*orientations);
}

TLocatorResult LocatorFromExecutable(const std::string& path) {
  auto package = MakeRef<TOrvUnpack>(path);
  if (!package->IsOpen()) return {nullptr, package->ErrorText()};
  auto accessor = MakeRef<TFileAccessor>(MakeRef<TPackedFileSource>(std::move(package)), DiskFolderOf(path));
  auto locator = MakeRef<TOrvShowLocator>(std::move(accessor), AsciiToWide(kProjectEntryName));
  if (!locator->Project()) return {nullptr, kExecutableOpenError};
  return {std::move(locator), {}};
}

Ref<TOrvShowLocator> LocatorFromProject(const std::string& path) {
  auto accessor = MakeRef<TFileAccessor>(MakeRef<TMappedFileSource>(), WideString());
  auto locator = MakeRef<TOrvShowLocator>(accessor, WideFromDiskPath(path));
  const TIniFile* project = locator->Project();
  if (!project) return nullptr;
  accessor->SetBaseFolder(BaseFolderOfProject(*project, path));
  if (const TIniSection* section = project->FindSection("PathModifiers")) ReplacePathModifiers(ModifiersOf(*section));
  return locator;
}

}  // namespace orv
