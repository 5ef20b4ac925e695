// Command texts of run actions ("runapp", "openwebsite", a slide's program to run): how
// they split into commands, program and parameters, and which of them are never run.
// Show text comes from whoever made the show: every command is judged before any runs.
#pragma once

#include <string>
#include <vector>

#include "base/text.h"

namespace orv {

// Without a "," the whole text is one command, as written; otherwise the text is cut at
// every "," outside double quotes and each piece is trimmed of blanks.
std::vector<WideString> SplitCommands(WideView text);

// The word that names the program of a command, lower-cased: ">" for a command with a
// redirection; otherwise the first word (blanks inside double quotes kept, "@", double
// quotes and "|" removed) without its folders and from its first "." on.
WideString ProgramWord(WideView command);

// Whether the command may not run: a program that deletes, copies, formats or changes
// the system, a command interpreter or anything that starts another command for it
// (shells, env, xargs, sudo, terminals …), or a script interpreter given code on its
// command line ("python -c", "perl -e" …).
bool IsForbiddenCommand(WideView command);

struct TFileAndParameters {
  WideString File;        // in double quotes when the command began with one
  WideString Parameters;  // in double quotes when it held one
};

// The program and its parameters: the file part runs up to a double quote after its
// first character, or a blank when the command does not begin with a double quote.
TFileAndParameters SplitFileAndParameters(WideView command);

// The argument words of a parameter text by the rules programs on the show's original
// platform split their command lines with: blanks outside double quotes separate words;
// 2n backslashes before a double quote give n and the quote opens or closes a quoted
// stretch, 2n + 1 give n and a literal quote; inside quotes "" is a literal quote.
std::vector<std::string> SplitArguments(std::string_view parameters);

// The text without one pair of double quotes around it.
WideString Unquoted(WideView text);

}  // namespace orv
