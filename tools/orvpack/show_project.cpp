#include "show_project.h"

#include "base/exceptions.h"
#include "package_file.h"

namespace orv::orvpack {

Ref<TIniFile> OpenShowProject(const std::string& path) {
  if (Ref<TIniFile> packaged = ProjectOfPackageFile(path)) return packaged;
  auto project = MakeRef<TIniFile>();
  if (!project->LoadFromFile(path)) throw EFileError("cannot read " + path + ": " + project->LoadError());
  return project;
}

Ref<TOrvShowLocator> OpenShow(const std::string& path) {
  OpenShowProject(path);  // says why a show does not open
  if (TLocatorResult packaged = LocatorFromExecutable(path); packaged.Locator) return packaged.Locator;
  if (Ref<TOrvShowLocator> loose = LocatorFromProject(path)) return loose;
  throw EFileError("cannot read " + path);
}

Ref<TOrvMusicSource> OpenMusicSource(const TOrvShowLocator& show) {
  TOrvSourceSettings settings;
  settings.ProgramFile.clear();  // the show itself, not a screen saver
  const auto source = MakeRef<TOrvSource>(Ref<TIniFile>::Share(show.Project()), settings);
  return MakeRef<TOrvMusicSource>(*source);
}

}  // namespace orv::orvpack
