// What an off-screen run renders and where it goes: one picture of the show
// ("-snapshot MS OUT.png") or every frame of a stretch of it ("-export OUT"), read from
// the command line before the show is opened, so that a mistake costs nothing.
#pragma once

#include <optional>
#include <string>

#include "app/command_line.h"
#include "base/exceptions.h"

namespace orv {

enum class TOutputKind {
  Snapshot,     // one PNG picture
  Video,        // H.264 in MP4 (".mp4")
  PngSequence,  // numbered PNG pictures in a folder (a name ending in "/")
  Raw,          // the frames' bytes as they are, for measuring rendering alone
};

// The sides of a frame an off-screen run renders, in pixels.
inline constexpr int kMinRenderedSide = 16;
inline constexpr int kMaxRenderedSide = 8192;
constexpr bool IsRenderedSide(int side) { return side >= kMinRenderedSide && side <= kMaxRenderedSide; }

struct TExportSettings {
  TOutputKind Kind = TOutputKind::Video;
  std::string Output;
  // Frames per second of an export; a snapshot is one frame.
  double Fps = 25;
  // The rendered size; 0 × 0 takes the show's own frame size.
  int Width = 0;
  int Height = 0;
  // Show time (ms) of the first frame: the snapshot's time or the export's start.
  double From = 0;
  // Show time (ms) where an export ends; none: the end of the show.
  std::optional<double> To;
};

// A switch of an off-screen run that cannot be used as written; the message says which.
class EExportSettingsError : public Exception {
public:
  using Exception::Exception;
};

// The off-screen run the command line asks for; none when it asks for playback.
std::optional<TExportSettings> ReadExportSettings(const TCommandLine& command_line);

// Raw frames: each frame's rows of 32-bit pixels, bytes blue, green, red, alpha, top row
// first, without any header.
inline constexpr const char* kRawFrameLayout = "BGRA";

}  // namespace orv
