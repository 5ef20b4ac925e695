// Starting other programs, and handing documents and addresses to the desktop's opener
// ("xdg-open"). Nothing goes through a shell: a program gets its argument words as they
// are, and the opener gets exactly one argument.
#pragma once

#include <string>
#include <vector>

namespace orv {

enum class TLaunchResult {
  Started,
  NotFound,  // no such program or file
  Refused,   // something that may not be opened (the reason is logged)
  Failed,    // it exists but could not be started
};

// What a file name given to a run action stands for.
struct TLaunchTarget {
  enum class TKind { Missing, Program, Document } Kind = TKind::Missing;
  std::string Path;  // the file found, absolute
};

// A name with a "/" is taken from `folder` (unless absolute); a bare name is looked for in
// `folder`, then on PATH. A regular file that may be executed is a program; any other
// existing file (or folder) is a document.
TLaunchTarget FindLaunchTarget(const std::string& name, const std::string& folder);

// Starts `program` with `arguments` (its argv[0] first) in `folder`, not waiting for it.
// Its standard input is /dev/null; it ends on its own (it is reaped when it does).
TLaunchResult StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                           const std::string& folder);

// Whether the desktop's opener may be given this: an address of the web ("http:",
// "https:", "ftp:") or of mail ("mailto:"), or a local file (a path or a "file:" address)
// that is neither executable nor a ".desktop" launcher (a relative path is taken from
// `folder`). Other schemes are refused: their handlers may start programs.
bool MayOpenWithDesktop(const std::string& target, const std::string& folder);

// "xdg-open TARGET" (found on PATH) in `folder`; Refused when MayOpenWithDesktop says no.
TLaunchResult OpenWithDesktop(const std::string& target, const std::string& folder);

// Whether the text is an address ("scheme:" then anything, the scheme two letters or more)
// rather than a file name ("C:\..." is a file name).
bool LooksLikeAddress(const std::string& text);

}  // namespace orv
