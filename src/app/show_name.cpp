#include "app/show_name.h"

#include "base/stream.h"
#include "package/orv_unpack.h"
#include "package/windows_names.h"

namespace orv {
namespace {

constexpr size_t kSniffBytes = 4096;

size_t NameStart(const std::string& name) {
  const size_t separator = name.find_last_of("/\\");
  return separator == std::string::npos ? 0 : separator + 1;
}

std::string ExtensionOf(const std::string& name) {
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos || dot < NameStart(name) ? std::string() : name.substr(dot);
}

bool StartsWithDotDot(const std::string& name) {
  return name.size() >= 3 && name.compare(0, 2, "..") == 0 && (name[2] == '/' || name[2] == '\\');
}

// The first character of project text is a section header or a comment, after an
// optional byte-order mark (UTF-8, or UTF-16 little-endian) and blanks.
bool StartsLikeProjectText(const std::string& head) {
  size_t i = 0;
  size_t step = 1;
  if (head.compare(0, 3, "\xEF\xBB\xBF") == 0) i = 3;
  if (head.compare(0, 2, "\xFF\xFE") == 0) {
    i = 2;
    step = 2;
  }
  for (; i < head.size(); i += step) {
    const char c = head[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    return (c == '[' || c == ';') && (step == 1 || (i + 1 < head.size() && head[i + 1] == 0));
  }
  return false;
}

// "/s", "/p 1234", "/c:1234" and "/a" are how the system calls a screen saver; they name
// no show.
bool IsScreenSaverCall(WideView word) {
  if (word.size() < 2 || word[0] != u'/' || (word.size() > 2 && word[2] != u':')) return false;
  const char16_t letter = word[1] | 0x20;
  return letter == u's' || letter == u'p' || letter == u'c' || letter == u'a';
}

}  // namespace

std::string AbsoluteName(const std::string& name, const std::string& folder) {
  if (name.starts_with('/') || IsForeignAbsoluteName(WideFromDiskPath(name))) return name;
  std::string base = folder;
  std::string rest = name;
  while (StartsWithDotDot(rest)) {
    rest.erase(0, 3);
    // "/a/b/" → "/a/"; the root stays.
    const size_t cut = base.size() > 1 ? base.find_last_of('/', base.size() - 2) : std::string::npos;
    if (cut != std::string::npos) base.resize(cut + 1);
  }
  return base + rest;
}

std::string OvShowNameOf(const std::string& name) {
  return name.substr(0, name.size() - ExtensionOf(name).size()) + ".OvShow";
}

std::string BundleShowFile(const std::string& name) {
  if (!SameTextAscii(ExtensionOf(name), ".app")) return name;
  const std::string inside = name + "/Contents/Resources/slideshow.dat";
  return DiskFileExists(inside) ? inside : name;
}

std::string FolderPartOf(const std::string& name) { return name.substr(0, NameStart(name)); }

bool LooksLikeProjectText(const std::string& path) {
  std::string head(kSniffBytes, '\0');
  try {
    TFileStream file(path, TFileMode::OpenRead);
    head.resize(file.Read(head.data(), head.size()));
  } catch (const Exception&) {
    return SameTextAscii(ExtensionOf(path), ".orv");
  }
  return StartsLikeProjectText(head) && !PackageVersion(path);
}

TShowName ShowNameOf(const TCommandLine& command_line, const std::string& program_path,
                     const std::string& program_folder, const std::string& working_folder) {
  if (const std::optional<WideString> project = command_line.GetSwitchArg(u"filename", 0))
    return TShowName{AbsoluteName(Utf16ToUtf8(*project), program_folder), false, true};
  if (const std::optional<WideString> program = command_line.GetSwitchArg(u"exename", 0))
    return TShowName{AbsoluteName(Utf16ToUtf8(*program), program_folder), true, false};
  const std::optional<WideString> word = command_line.GetSwitchArg(u"", 1);
  if (word && !IsScreenSaverCall(*word)) {
    const std::string path = AbsoluteName(Utf16ToUtf8(*word), working_folder);
    const bool project = LooksLikeProjectText(path);
    return TShowName{path, !project, project};
  }
  return TShowName{program_path, true, false};
}

}  // namespace orv
