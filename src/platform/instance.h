// This program's place among its running instances, and the system's screen saver.
#pragma once

#include <string>

namespace orv {

// The name of the instance lock of a program file: "Instance_ID", the name hashes of its
// full path, of its folder and of its file name, then the file name.
std::string InstanceLockName(const std::string& program_path);

// Takes this instance's lock (a file in the user's runtime folder, held for as long as the
// process lives) when no other instance holds it. Called once at start-up.
void RegisterInstance();
// Whether another instance of this program file is running.
bool InstanceRunning();

// A show that is itself the screen saver leaves the system's screen saver on (the
// platform layer keeps it away by default). Once per process.
void BeginScreenSaver();
// Keeps the system's screen saver and display power-off away until the program ends.
// Once per process, and never after BeginScreenSaver.
void SuspendSystemScreenSaver();

}  // namespace orv
