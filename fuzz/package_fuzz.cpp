// The package reader on arbitrary file contents: open, list, and read every entry,
// whole and from its middle. A damaged package must fail to open or fail to read with
// one of our exceptions, never crash, hang or allocate without bound.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "package/orv_unpack.h"

namespace {

// The reader takes a path: each input lives in one memory file, reached through /proc.
const std::string& InputPath() {
  static const std::string path = [] {
    const int fd = ::memfd_create("package_fuzz", 0);
    if (fd < 0) std::abort();
    return "/proc/self/fd/" + std::to_string(fd);
  }();
  return path;
}

void SetInput(const uint8_t* data, size_t size) {
  const int fd = std::stoi(InputPath().substr(InputPath().rfind('/') + 1));
  if (::ftruncate(fd, 0) != 0 || (size > 0 && ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)))
    std::abort();
}

void ReadEntry(const orv::TOrvUnpack& package, const orv::TPackageEntry& entry) {
  try {
    const orv::StreamPtr stream = package.OpenEntry(entry);
    const std::string whole = stream->ReadAll();
    if (entry.Method != 1 && static_cast<int64_t>(whole.size()) != entry.Size) std::abort();
    stream->SetPosition(stream->Size() / 2);
    (void)stream->ReadAll();
  } catch (const orv::Exception&) {
    // Corrupt deflate data in an entry is reported, not read.
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetInput(data, size);
  const auto package = orv::MakeRef<orv::TOrvUnpack>(InputPath());
  if (!package->IsOpen()) return 0;
  for (const orv::TPackageEntry& entry : package->Entries()) {
    // A section whose name is a file name's normalised form is found under that file name.
    orv::WideString name;
    if (orv::TryUtf8ToUtf16(entry.Name, name) && orv::NormalizeEntryName(name) == entry.Name &&
        !package->FindEntry(name))
      std::abort();
    ReadEntry(*package, entry);
  }
  return 0;
}
