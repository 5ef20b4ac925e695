// What travels between the viewer (main thread) and the engine thread: the requests on the
// engine's queue and the notifications the engine sends back.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/action_info.h"
#include "base/input_codes.h"
#include "base/rect.h"
#include "base/ref_object.h"
#include "image/image.h"
#include "package/file_accessor.h"
#include "project/ini_file.h"

namespace orv {

// Events of the engine's queue.
namespace engine_event {
inline constexpr int kMouse = 11;
inline constexpr int kCapture = 13;
inline constexpr int kCloseDialog = 15;
inline constexpr int kHelp = 16;
inline constexpr int kWindowDialog = 17;
inline constexpr int kSlideList = 101;
inline constexpr int kOpen = 102;
inline constexpr int kMode = 103;
}  // namespace engine_event

// Notifications to the main thread.
namespace engine_notification {
inline constexpr int kFirstFrame = 1;
inline constexpr int kPosition = 2;  // request id, time ms, total ms, ended
inline constexpr int kAction = 12;   // action code, number; object: TStrValue with the text
inline constexpr int kImage = 14;    // object: the captured TImage (none when it failed)
inline constexpr int kWindowMode = 17;  // width, height, mode (0 full screen, 1 border, 2 none)
// Off-screen rendering is over: the exit code (see engine_viewer.h).
inline constexpr int kOffscreenEnded = 1001;
}  // namespace engine_notification

class TOrvEventData : public TRefObject {
public:
  TOrvEventData(int code, std::vector<int> integers, Ref<TRefObject> object = {})
      : Code(code), Integers(std::move(integers)), Object(std::move(object)) {}
  int Code;
  std::vector<int> Integers;
  Ref<TRefObject> Object;
};

// An open (with a project) or a position request (without one).
class TOpenParams : public TRefObject {
public:
  int RequestId = 0;
  bool Paused = true;  // the pause state once the request is processed
  Ref<TFileAccessor> Accessor;
  Ref<TIniFile> Project;
  int Position = 0;  // ms

  bool IsOpen() const noexcept { return bool(Project); }
  // Takes over the request of `other`, its accessor and project included.
  void MoveFrom(TOpenParams& other) {
    RequestId = other.RequestId;
    Paused = other.Paused;
    Position = other.Position;
    Accessor = std::move(other.Accessor);
    Project = std::move(other.Project);
  }
};

class TModeData : public TRefObject {
public:
  explicit TModeData(bool paused) : Paused(paused) {}
  bool Paused;
};

// A dialog of the main window drawn over the show: its picture (none: taken away) and
// where it lies in the window.
class TWindowDialogData : public TRefObject {
public:
  TWindowDialogData(Ref<TImage> picture, const TRect& place) : Picture(std::move(picture)), Place(place) {}
  Ref<TImage> Picture;
  TRect Place;
};

// A mouse event as the main window reports it.
class TMouseData : public TRefObject {
public:
  static constexpr int kOutside = kPointerOutside;  // x and y once the pointer has left the window
  std::uint8_t Kind = 0;  // TMouseEvent
  int X = kOutside;
  int Y = kOutside;
  std::uint8_t Buttons = 0;
  int Extra = 0;
  // Performed when nothing on the slides takes the event.
  std::optional<TOrvActionInfo> Action;
};

class TStrValue : public TRefObject {
public:
  explicit TStrValue(WideString value) : Value(std::move(value)) {}
  WideString Value;
};

}  // namespace orv
