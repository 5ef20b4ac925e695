// Where the running program lives. An executable show carries its package at the end of
// this very file.
#pragma once

#include <string>

namespace orv {

// The program file's absolute path (/proc/self/exe).
const std::string& ProgramPath();
// The folder of ProgramPath, ending in "/".
const std::string& ProgramFolder();

}  // namespace orv
