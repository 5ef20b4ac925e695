#include "audio/media_probe.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>
#include <vector>

#include "base/exceptions.h"

namespace orv {
namespace {

struct TProberTable {
  std::mutex Lock;
  std::map<TProbeFamily, TMediaProber> Probers;
};

TProberTable& Probers() {
  static TProberTable table;
  return table;
}

// The lower-case extension of a file name, with its dot; a "?" suffix (the media library's
// stream selector) is not part of it.
std::string ExtensionOf(const std::string& name) {
  const std::string path = name.substr(0, name.find('?'));
  const size_t dot = path.find_last_of("./\\");
  if (dot == std::string::npos || path[dot] != '.') return {};
  std::string extension = path.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension;
}

bool StartsWithRiff(TStream& stream) {
  char magic[4] = {};
  stream.SetPosition(0);
  return stream.Read(magic, sizeof magic) == sizeof magic && std::equal(magic, magic + 4, "RIFF");
}

// The probes to try for a name that is neither a composite nor a readable WAV file.
std::vector<TProbeFamily> FamiliesFor(const std::string& name) {
  const std::string extension = ExtensionOf(name);
  if (extension == ".mp3" || extension == ".mp2" || extension == ".mp1")
    return {TProbeFamily::Mpeg, TProbeFamily::MediaLibrary};
  if (extension == ".ogg") return {TProbeFamily::Ogg, TProbeFamily::MediaLibrary};
  if (extension == ".wma") return {TProbeFamily::Wma, TProbeFamily::MediaLibrary};
  return {TProbeFamily::MediaLibrary};
}

}  // namespace

void RegisterMediaProber(TProbeFamily family, TMediaProber prober) {
  std::lock_guard lock(Probers().Lock);
  Probers().Probers[family] = std::move(prober);
}

bool RunMediaProber(TProbeFamily family, TStream& stream, const std::string& name, TMediaInfo& info) {
  TMediaProber prober;
  {
    std::lock_guard lock(Probers().Lock);
    const auto found = Probers().Probers.find(family);
    if (found == Probers().Probers.end() || !found->second) return false;
    prober = found->second;
  }
  try {
    stream.SetPosition(0);
    if (prober(stream, name, info)) return true;
  } catch (const Exception&) {
    // A probe that stumbles over bad data has not recognised the file.
  }
  info = TMediaInfo{};
  return false;
}

bool ProbeMedia(TStream& stream, const std::string& name, TMediaInfo& info, std::string* reason) {
  info = TMediaInfo{};
  if (name.starts_with(kCompositeMarker)) {
    if (RunMediaProber(TProbeFamily::Composite, stream, name, info)) return true;
    if (reason) *reason = "the composite description is not valid";
    return false;
  }
  std::string wav_reason;
  try {
    if (StartsWithRiff(stream) && ProbeWav(stream, info, &wav_reason)) return true;
  } catch (const Exception& error) {
    wav_reason = error.what();
  }
  info = TMediaInfo{};
  for (const TProbeFamily family : FamiliesFor(name))
    if (RunMediaProber(family, stream, name, info)) return true;
  if (reason) *reason = wav_reason.empty() ? "no decoder recognises the file" : wav_reason;
  return false;
}

}  // namespace orv
