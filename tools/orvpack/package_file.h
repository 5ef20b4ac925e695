// Opening the package a command names, with the messages orvpack prints.
#pragma once

#include <string>

#include "base/ref_object.h"
#include "package/orv_unpack.h"
#include "project/ini_file.h"

namespace orv::orvpack {

// The open package; raises with the package's error text ("Slide-show File Modified",
// ...), or "not a show package" and why.
Ref<TOrvUnpack> OpenPackage(const std::string& path);

// The project inside a package file; null when the file carries no package at all (a
// loose project). Raises when the package does not open or has no readable project.
Ref<TIniFile> ProjectOfPackageFile(const std::string& path);

}  // namespace orv::orvpack
