// The viewer: the one way the main window reaches a playing show. It opens a show, pauses
// and moves it, and paints the window the show is drawn in.
#pragma once

#include <optional>

#include "base/action_info.h"
#include "base/input_codes.h"
#include "base/rect.h"
#include "base/ref_object.h"
#include "image/image.h"
#include "package/file_accessor.h"
#include "project/ini_file.h"

namespace orv {

class TPlatformWindow;

// What a viewer needs of the main window. Called on the main thread.
class TViewerHost {
 public:
  // The window, made when first asked for (so that a show opens without waiting for the
  // graphics driver).
  virtual TPlatformWindow& Window() = 0;
  // The window mode a show asks for: 0 full screen, 1 a window with border, 2 a window
  // without border; width and height are the client size of the windowed modes.
  virtual void PlaceWindow(int width, int height, int mode) = 0;
  // Shows the window once something is drawn in it.
  virtual void ShowWindow() = 0;
  // The show is over (a "close" show reached its end, an off-screen run is done): the
  // program ends with `exit_code`. Called from the main thread's loop, never from within
  // a call the host made into the viewer.
  virtual void EndProgram(int exit_code) = 0;
  // The show's position (ms) as the engine reports it; `ended` once a show that does not
  // repeat has reached its end. Not called for off-screen runs.
  virtual void OnPosition(int time, bool ended) = 0;
  // An action raised inside the show (an object clicked, a slide's program to run, a key
  // or click nothing on the slides took) for the main window to perform.
  virtual void OnAction(const TOrvActionInfo& action) = 0;
  // The picture CaptureFrame asked for; none when the frame could not be captured.
  virtual void OnImage(Ref<TImage> picture) = 0;

 protected:
  ~TViewerHost() = default;
};

class TOrvShowViewer : public TRefObject {
 public:
  // Plays the project's show from `position` (ms); the accessor reads its files.
  virtual void Open(Ref<TFileAccessor> accessor, Ref<TIniFile> project, double position) = 0;
  // A new viewer is paused.
  virtual bool Paused() const = 0;
  virtual void SetPaused(bool paused) = 0;
  // Moves the show to `position` ms; negative positions are ignored.
  virtual void SetPosition(double position) = 0;
  virtual double Position() const = 0;
  // The window must be painted again.
  virtual void Refresh() = 0;
  // Whether the window has the user's attention (a show may pause while it has not). A
  // new viewer counts its window as active.
  virtual void SetWindowActive(bool active) = 0;
  // Stops the show and lets go of the window for good.
  virtual void Close() = 0;

  // A mouse event in the window's client area (x and y kPointerOutside once the
  // pointer has left it); the objects under the pointer take it first, and `action` is
  // performed when none did. `buttons` holds the modifier bits of the buttons held.
  virtual void MouseEvent(TMouseEvent event, int x, int y, std::uint8_t buttons, TMouseButton button,
                          std::optional<TOrvActionInfo> action) = 0;
  // Whether the last mouse event found an object with an action (no button, which shows
  // its own hover look) under the pointer: the cursor becomes a hand there.
  virtual bool PointerOverAction() const = 0;
  // Whether the last mouse event found the pointer over the navigation panel: the cursor
  // is never hidden there.
  virtual bool PointerOverPanel() const = 0;
  virtual void ShowHelp() = 0;
  // Asks for a picture of the slide frame as it shows now; it comes to the host's OnImage.
  virtual void CaptureFrame() = 0;
  // A dialog of the window drawn over the show at `place` (client pixels); none takes it
  // away.
  virtual void ShowWindowDialog(Ref<TImage> picture, const TRect& place) = 0;
  virtual void CloseDialog() = 0;
  // A dialog of the show is open over the slides (it takes the keys).
  virtual bool DialogShown() const = 0;
  // The show stands still at a slide's "pause" end action; releasing it lets it go on.
  virtual bool StoppedAtBarrier() const = 0;
  virtual void ReleaseBarrier() = 0;
};

}  // namespace orv
