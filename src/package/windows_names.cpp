#include "package/windows_names.h"

#include <sys/stat.h>

namespace orv {
namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

size_t LastSeparator(WideView name) { return name.find_last_of(u"\\/"); }

}  // namespace

bool IsForeignAbsoluteName(WideView name) {
  const bool drive = name.size() >= 2 && name[1] == u':' &&
                     ((name[0] >= u'A' && name[0] <= u'Z') || (name[0] >= u'a' && name[0] <= u'z'));
  return drive || name.starts_with(u"\\\\");
}

std::optional<std::string> DiskPathOf(WideView name) {
  if (IsForeignAbsoluteName(name)) return std::nullopt;
  WideString path(name);
  for (char16_t& c : path)
    if (IsSeparator(c)) c = u'/';
  return Utf16ToUtf8(path);
}

WideView LastNameComponent(WideView name) {
  const size_t separator = LastSeparator(name);
  return separator == WideView::npos ? name : name.substr(separator + 1);
}

WideView FolderOfName(WideView name) {
  const size_t separator = LastSeparator(name);
  return separator == WideView::npos ? WideView() : name.substr(0, separator + 1);
}

WideString WideFromDiskPath(std::string_view path) {
  WideString wide;
  if (TryUtf8ToUtf16(path, wide)) return wide;
  return Utf8ToUtf16(Windows1252ToUtf8(path));
}

bool DiskFileExists(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool NamedFileExists(WideView name) {
  const std::optional<std::string> path = DiskPathOf(name);
  return path && DiskFileExists(*path);
}

}  // namespace orv
