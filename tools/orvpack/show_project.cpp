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

}  // namespace orv::orvpack
