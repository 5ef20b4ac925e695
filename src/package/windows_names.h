// File names in projects are Windows names: "\" separates folders, "C:\..." is an
// absolute name on a drive and "\\server\share\..." one on a network share. In a package
// such a name is only a key; it is turned into a disk path where it meets the disk.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/text.h"

namespace orv {

// A name that starts with a drive letter and ":" or with "\\": it belonged to the
// author's machine and names nothing here.
bool IsForeignAbsoluteName(WideView name);

// The disk path (UTF-8, "/" separated) of a name; nothing for a foreign absolute name.
std::optional<std::string> DiskPathOf(WideView name);

// The part after the last "\" or "/" (the whole name when there is none).
WideView LastNameComponent(WideView name);
// The part up to and including the last "\" or "/" (empty when there is none).
WideView FolderOfName(WideView name);

// A disk path as wide text; bytes that are not UTF-8 are read as the legacy code page.
WideString WideFromDiskPath(std::string_view path);

// Whether a regular file exists there. Folders, pipes and devices do not count: opening
// a pipe would wait for a writer, and a device has no end.
bool DiskFileExists(const std::string& path);
// Whether the name's disk path is an existing file.
bool NamedFileExists(WideView name);

}  // namespace orv
