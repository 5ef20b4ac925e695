#include "package_file.h"

#include "base/exceptions.h"

namespace orv::orvpack {
namespace {

std::string NotAPackage(const TOrvUnpack& package) {
  if (!package.ErrorText().empty()) return package.ErrorText();
  const std::string& damage = package.DamageText();
  return damage.empty() ? "not a show package" : "not a show package: " + damage;
}

}  // namespace

Ref<TOrvUnpack> OpenPackage(const std::string& path) {
  auto package = MakeRef<TOrvUnpack>(path);
  if (!package->IsOpen()) throw Exception(NotAPackage(*package));
  return package;
}

Ref<TIniFile> ProjectOfPackageFile(const std::string& path) {
  const auto package = MakeRef<TOrvUnpack>(path);
  if (!package->IsOpen()) {
    if (package->ErrorText().empty() && package->DamageText().empty()) return nullptr;
    throw Exception(NotAPackage(*package));
  }
  const StreamPtr stream = package->OpenEntry(AsciiToWide(kProjectEntryName));
  auto project = MakeRef<TIniFile>();
  if (!stream || !project->LoadFromStream(*stream)) throw Exception("Executable SlideShow Open Error");
  return project;
}

}  // namespace orv::orvpack
