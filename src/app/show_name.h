// Which show to open, and the names it is tried under.
#pragma once

#include <string>

#include "app/command_line.h"

namespace orv {

struct TShowName {
  std::string Path;            // a disk path (UTF-8)
  bool IsExecutable = true;    // an executable show or package; else a loose project
  bool FileNameGiven = false;  // a loose project named on the command line
};

// The show the command line names: "-filename" (a loose project), else "-exename" (an
// executable show), else a word right after the program's path (a loose project when it
// holds project text, else an executable show; the system's screen-saver calls "/s",
// "/p", "/c" and "/a" are no names), else the program itself. Names of the
// switches are taken relative to `program_folder`, the bare word relative to
// `working_folder`, as a shell user means it; both folders end in "/".
TShowName ShowNameOf(const TCommandLine& command_line, const std::string& program_path,
                     const std::string& program_folder, const std::string& working_folder);

// `name` made absolute: a name that is absolute already stays (so does a Windows name
// with a drive or a server, which names nothing here); otherwise each leading "../" (or
// "..\") takes one folder off `folder` (which ends in "/") and the rest is appended.
std::string AbsoluteName(const std::string& name, const std::string& folder);

// The name with its extension replaced by ".OvShow" (added when it has none).
std::string OvShowNameOf(const std::string& name);

// A ".app" bundle (any case) stands for the show file inside it when that exists:
// name/Contents/Resources/slideshow.dat.
std::string BundleShowFile(const std::string& name);

// The part of a name up to and including its last "/" or "\"; empty without one.
std::string FolderPartOf(const std::string& name);

// Whether the file holds project text rather than a program or a package. A file that
// cannot be read is taken by its extension (".orv").
bool LooksLikeProjectText(const std::string& path);

}  // namespace orv
