#include "platform/instance.h"

#include <SDL.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>

#include "base/hash_list.h"
#include "base/program_path.h"
#include "base/text.h"

namespace orv {
namespace {

uint32_t HashOf(const std::string& text) {
  WideString wide;
  if (!TryUtf8ToUtf16(text, wide)) return NameHash(std::string_view(text));
  return NameHash(WideView(wide));
}

std::string RuntimeFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return runtime && *runtime ? runtime : "/tmp";
}

}  // namespace

std::string InstanceLockName(const std::string& program_path) {
  const size_t slash = program_path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : program_path.substr(0, slash);
  const std::string file = program_path.substr(slash == std::string::npos ? 0 : slash + 1);
  return "Instance_ID" + std::to_string(HashOf(program_path)) + std::to_string(HashOf(folder)) +
         std::to_string(HashOf(file)) + file;
}

namespace {

// Kept open for the life of the process: once taken, the lock is ours until we end.
int InstanceLockHandle() {
  static const int handle = ::open((RuntimeFolder() + "/" + InstanceLockName(ProgramPath())).c_str(),
                                   O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  return handle;
}

// Taking a lock this process already holds succeeds again.
bool TryLock() { return InstanceLockHandle() >= 0 && ::flock(InstanceLockHandle(), LOCK_EX | LOCK_NB) == 0; }

}  // namespace

void RegisterInstance() { TryLock(); }

bool InstanceRunning() { return InstanceLockHandle() >= 0 && !TryLock(); }

namespace {
std::once_flag gScreenSaverDecided;
}  // namespace

void BeginScreenSaver() {
  std::call_once(gScreenSaverDecided, [] { SDL_EnableScreenSaver(); });
}

void SuspendSystemScreenSaver() {
  std::call_once(gScreenSaverDecided, [] { SDL_DisableScreenSaver(); });
}

}  // namespace orv
