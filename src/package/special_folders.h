// The folders that Windows names by "%TOKEN%", mapped to their Linux counterparts:
// %APPDATA% the XDG config home, %LOCALAPPDATA% the XDG data home, %PROGRAMDATA%
// /usr/share, %SYSTEMROOT% "/" (it has no meaning here), %TEMP% $TMPDIR or /tmp.
#pragma once

#include <optional>
#include <string>

#include "base/text.h"

namespace orv {

enum class TSpecialFolder { AppData, LocalAppData, ProgramData, SystemRoot, Temp };

// The special folder a token such as "%APPDATA%" names (case does not count).
std::optional<TSpecialFolder> SpecialFolderOfToken(WideView token);

// The folder's disk path without a trailing "/"; empty when it cannot be known (no home).
std::string SpecialFolderPath(TSpecialFolder folder);

// The base of temporary files, with a trailing "/": $TMPDIR when that folder exists, else
// /tmp, else "TEMP" under the program's folder when it exists or can be made, else the
// program's folder.
std::string BaseTempFolder();

}  // namespace orv
