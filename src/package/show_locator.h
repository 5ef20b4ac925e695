// The show locator ties one opened show together: its project and the file accessor
// that reads the show's files, from its package or from the disk.
#pragma once

#include <string>

#include "base/ref_object.h"
#include "base/text.h"
#include "package/file_accessor.h"
#include "project/ini_file.h"

namespace orv {

inline constexpr const char* kExecutableOpenError = "Executable SlideShow Open Error";

class TOrvShowLocator : public TRefObject {
public:
  // Reads the project through the accessor; a mapped source then takes the project's
  // "FileMap" and "RotationState".
  TOrvShowLocator(Ref<TFileAccessor> accessor, WideString project_name);

  const Ref<TFileAccessor>& Accessor() const noexcept { return FAccessor; }
  // Null when the project could not be read.
  TIniFile* Project() const noexcept { return FProject.Get(); }
  const WideString& ProjectName() const noexcept { return FProjectName; }
  // "OrvVersion" of the project's "Main".
  const WideString& OrvVersion() const noexcept { return FOrvVersion; }

private:
  bool ReadProject();
  void LoadSourceTables();

  Ref<TFileAccessor> FAccessor;
  Ref<TIniFile> FProject;
  WideString FProjectName;
  WideString FOrvVersion;
};

struct TLocatorResult {
  Ref<TOrvShowLocator> Locator;  // null when the show does not open
  std::string ErrorText;         // the package's error text, or kExecutableOpenError
};

// An executable show (or any package file): its "Project.orv", with the file's folder as
// the accessor's base folder.
TLocatorResult LocatorFromExecutable(const std::string& path);

// A loose project on disk. Its "PathModifiers" section, when present, replaces the
// process-wide path variables. Null when the project cannot be read.
Ref<TOrvShowLocator> LocatorFromProject(const std::string& path);

}  // namespace orv
