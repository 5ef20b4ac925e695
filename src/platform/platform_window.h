// Windows and OpenGL contexts of the platform (SDL2 underneath). Nothing outside this
// folder sees SDL; the renderer gets a window, its client rectangle and a GL context.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "base/exceptions.h"
#include "base/rect.h"

struct SDL_Window;

namespace orv {

// A window or context that the platform could not make.
class EPlatformError : public Exception {
public:
  using Exception::Exception;
};

enum class TWindowMode {
  Windowed,    // with a frame and a caption
  Borderless,  // client area only, at the given bounds
  FullScreen,  // borderless, covering the whole chosen display (our "exclusive" mode)
};

struct TWindowParams {
  std::string Title;
  TRect Bounds = RectOfSize(640, 480);  // client area in desktop coordinates (not in full screen)
  TWindowMode Mode = TWindowMode::Windowed;
  int Display = 0;
  bool Visible = true;  // a hidden window still renders: tests and headless frames use one
};

// Keeps SDL's video subsystem up while it lives (SDL counts the users).
class TVideoSubsystem {
public:
  TVideoSubsystem();
  ~TVideoSubsystem();
  TVideoSubsystem(const TVideoSubsystem&) = delete;
  TVideoSubsystem& operator=(const TVideoSubsystem&) = delete;
};

class TGLContext;

// A top-level window. Create, change and destroy it on the main thread only.
class TPlatformWindow {
public:
  explicit TPlatformWindow(const TWindowParams& params);
  ~TPlatformWindow();
  TPlatformWindow(const TPlatformWindow&) = delete;
  TPlatformWindow& operator=(const TPlatformWindow&) = delete;

  void SetMode(TWindowMode mode, int display);
  void SetBounds(const TRect& bounds);
  // The mode and the client area in desktop coordinates, in one go. Full screen covers
  // `client` (a whole monitor) by itself, so that it does so without a window manager too.
  void Place(TWindowMode mode, const TRect& client, bool resizable);
  void Show();
  void Hide();
  void SetTitle(const std::string& title);
  // Above every other window (a start-up window), or not.
  void SetAlwaysOnTop(bool on_top);
  // How far the frame and caption of a window with border reach beyond its client area on
  // each side (zero without a window manager that draws them).
  TRect FrameMargins() const;

  // The client area in desktop coordinates.
  TRect ClientRect() const;
  int DisplayIndex() const;
  TWindowMode Mode() const { return FMode; }
  bool IsVisible() const;
  std::uint32_t Id() const;

  // An OpenGL 3.3 core context for this window, current on the calling thread afterwards.
  std::unique_ptr<TGLContext> CreateGLContext();

private:
  void ApplyMode(TWindowMode mode, int display, const TRect& bounds);

  TVideoSubsystem FVideo;
  SDL_Window* FWindow = nullptr;
  TWindowMode FMode = TWindowMode::Windowed;
};

struct TContextBinding;

// A thread that still has a context current after another thread deleted that context
// lets go of it here, so that its window can be given a new context.
void LetGoOfDeletedContext();

// An OpenGL context bound to one window. It is current on at most one thread at a time; a
// thread keeps it until it releases it or ends (ending releases it). Deleting a context
// that another thread still has current frees it once that thread lets go.
class TGLContext {
public:
  ~TGLContext();
  TGLContext(const TGLContext&) = delete;
  TGLContext& operator=(const TGLContext&) = delete;

  // Makes the context current on this thread; false while another thread has it.
  // Raises EPlatformError when the platform refuses.
  bool MakeCurrent();
  // Lets go of the context when this thread has it.
  void ReleaseCurrent();
  bool IsCurrent() const;
  void SwapBuffers();
  // 0 presents at once, 1 waits for the vertical retrace; false when the driver refuses.
  bool SetSwapInterval(int interval);
  // The size of the window's back buffer in pixels.
  void DrawableSize(int& width, int& height) const;

private:
  friend class TPlatformWindow;
  TGLContext(SDL_Window* window, void* context);

  SDL_Window* FWindow;
  void* FContext;
  std::shared_ptr<TContextBinding> FBinding;
};

}  // namespace orv
