#include "app/show_open_hooks.h"

#include <cstring>
#include <optional>
#include <vector>

#include "audio/decoder_library.h"
#include "base/log.h"
#include "package/temp_folders.h"
#include "package/windows_names.h"
#include "project/show_options.h"
#include "render/device.h"
#include "video/media_library.h"

namespace orv {
namespace {

// e_ident up to the byte order, e_type and e_machine.
constexpr size_t kElfHeaderBytes = 20;
constexpr size_t kElfClassAndOrder = 6;
constexpr size_t kElfType = 16;
constexpr uint8_t kSharedObject = 3;

bool ReadElfHeader(TStream& stream, uint8_t (&header)[kElfHeaderBytes]) {
  stream.SetPosition(0);
  return stream.Read(header, kElfHeaderBytes) == kElfHeaderBytes && std::memcmp(header,
                                                                                "\x7f"
                                                                                "ELF",
                                                                                4) == 0;
}

// Little- and big-endian files both say "shared object" in one of their two type bytes.
bool IsSharedObject(const uint8_t (&header)[kElfHeaderBytes]) {
  return (header[kElfType] == kSharedObject && header[kElfType + 1] == 0) ||
         (header[kElfType] == 0 && header[kElfType + 1] == kSharedObject);
}

// The show's own library, copied to a private folder: libraries load from files only.
std::optional<std::string> CopyPackagedLibrary(const TOrvShowLocator& locator, const std::string& program_path) {
  const StreamPtr entry = locator.Accessor()->OpenStream(AsciiToWide(kMediaLibraryEntry));
  if (!entry) return std::nullopt;
  if (!IsLibraryForThisMachine(*entry, program_path)) {
    Log().Write("The show's ffmpeg.dll is no library for this machine; not used");
    return std::nullopt;
  }
  const std::string path = CreatePrivateFolder(true) + kMediaLibraryEntry;
  TFileStream copy(path, TFileMode::Create);
  copy.CopyFrom(*entry, 0);
  copy.Flush();
  return path;
}

}  // namespace

bool IsLibraryForThisMachine(TStream& library, const std::string& program_path) {
  uint8_t header[kElfHeaderBytes];
  uint8_t own[kElfHeaderBytes];
  TFileStream program(program_path, TFileMode::OpenRead);
  return ReadElfHeader(library, header) && ReadElfHeader(program, own) && IsSharedObject(header) &&
         std::memcmp(header, own, kElfClassAndOrder) == 0 &&
         std::memcmp(header + kElfType + 2, own + kElfType + 2, 2) == 0;
}

void PrepareMediaLibrary(const TOrvShowLocator* locator, const std::string& program_path) {
  const std::string program_folder = program_path.substr(0, program_path.find_last_of('/') + 1);
  LoadDecoderLibraries(program_folder);
  if (MediaLibraryRequested()) return;
  std::vector<std::string> candidates;
  try {
    if (locator)
      if (std::optional<std::string> copy = CopyPackagedLibrary(*locator, program_path)) candidates.push_back(*copy);
  } catch (const Exception& e) {
    Log().Write(std::string("The show's media library could not be prepared: ") + e.what());
  }
  const std::string beside = program_folder + kMediaLibraryPath;
  if (DiskFileExists(beside)) candidates.push_back(beside);
  LoadSharedMediaLibraryInBackground(std::move(candidates));
}

void DecideExclusiveMode(const TOrvShowLocator& locator) {
  EngineSettings().ExclusiveAllowed = !(locator.Project() && TShowOptions::Read(*locator.Project()).NoExclusive);
}

}  // namespace orv
