#include "platform/platform_window.h"

#include <SDL.h>

#include <algorithm>
#include <mutex>

namespace orv {

namespace {

[[noreturn]] void RaiseSdlError(const std::string& what) {
  throw EPlatformError(what + ": " + SDL_GetError());
}

Uint32 ModeFlags(TWindowMode mode) {
  switch (mode) {
    case TWindowMode::Windowed:
      return 0;
    case TWindowMode::Borderless:
      return SDL_WINDOW_BORDERLESS;
    case TWindowMode::FullScreen:
      return SDL_WINDOW_BORDERLESS | SDL_WINDOW_FULLSCREEN_DESKTOP;
  }
  return 0;
}

int ClampDisplay(int display) {
  const int count = SDL_GetNumVideoDisplays();
  return display >= 0 && display < count ? display : 0;
}

void RequestCoreContext() {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

}  // namespace

// Which thread has a context current.
struct TContextBinding {
  std::mutex Lock;
  std::thread::id Thread;
};

namespace {

// A thread that ends with a context current lets go of it, so that the context can be
// freed and made current elsewhere.
struct TThreadRelease {
  bool Bound = false;
  std::weak_ptr<TContextBinding> Binding;
  ~TThreadRelease() {
    if (!Bound) return;
    SDL_GL_MakeCurrent(nullptr, nullptr);
    if (auto binding = Binding.lock()) {
      std::lock_guard lock(binding->Lock);
      if (binding->Thread == std::this_thread::get_id()) binding->Thread = {};
    }
  }
};
thread_local TThreadRelease tRelease;

}  // namespace

TVideoSubsystem::TVideoSubsystem() {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) RaiseSdlError("Can't start the video subsystem");
}

TVideoSubsystem::~TVideoSubsystem() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

TPlatformWindow::TPlatformWindow(const TWindowParams& params) : FMode(params.Mode) {
  RequestCoreContext();
  Uint32 flags = SDL_WINDOW_OPENGL | ModeFlags(params.Mode);
  flags |= params.Visible ? SDL_WINDOW_SHOWN : SDL_WINDOW_HIDDEN;
  const TRect& b = params.Bounds;
  const int display = ClampDisplay(params.Display);
  const bool full = params.Mode == TWindowMode::FullScreen;
  FWindow = SDL_CreateWindow(params.Title.c_str(), full ? SDL_WINDOWPOS_UNDEFINED_DISPLAY(display) : b.Left,
                             full ? SDL_WINDOWPOS_UNDEFINED_DISPLAY(display) : b.Top, std::max(1, b.Width()),
                             std::max(1, b.Height()), flags);
  if (!FWindow) RaiseSdlError("Can't create the window");
}

TPlatformWindow::~TPlatformWindow() { SDL_DestroyWindow(FWindow); }

void TPlatformWindow::SetMode(TWindowMode mode, int display) { ApplyMode(mode, display, ClientRect()); }

void TPlatformWindow::SetBounds(const TRect& bounds) { ApplyMode(FMode, DisplayIndex(), bounds); }

void TPlatformWindow::ApplyMode(TWindowMode mode, int display, const TRect& bounds) {
  display = ClampDisplay(display);
  if (mode == TWindowMode::FullScreen) {
    // The desktop mode of the chosen display: move there first, then cover it.
    SDL_Rect area;
    if (SDL_GetDisplayBounds(display, &area) != 0) RaiseSdlError("Can't read the display bounds");
    SDL_SetWindowFullscreen(FWindow, 0);
    SDL_SetWindowPosition(FWindow, area.x, area.y);
    SDL_SetWindowFullscreen(FWindow, SDL_WINDOW_FULLSCREEN_DESKTOP);
  } else {
    SDL_SetWindowFullscreen(FWindow, 0);
    SDL_SetWindowBordered(FWindow, mode == TWindowMode::Windowed ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowSize(FWindow, std::max(1, bounds.Width()), std::max(1, bounds.Height()));
    SDL_SetWindowPosition(FWindow, bounds.Left, bounds.Top);
  }
  FMode = mode;
}

void TPlatformWindow::Place(TWindowMode mode, const TRect& client, bool resizable) {
  const bool full = mode == TWindowMode::FullScreen;
  SDL_SetWindowFullscreen(FWindow, 0);
  SDL_SetWindowBordered(FWindow, mode == TWindowMode::Windowed ? SDL_TRUE : SDL_FALSE);
  SDL_SetWindowResizable(FWindow, resizable && mode == TWindowMode::Windowed ? SDL_TRUE : SDL_FALSE);
  SDL_SetWindowSize(FWindow, std::max(1, client.Width()), std::max(1, client.Height()));
  SDL_SetWindowPosition(FWindow, client.Left, client.Top);
  // A window manager also takes its panels away for a full-screen window; without one the
  // geometry above already covers the monitor.
  if (full) SDL_SetWindowFullscreen(FWindow, SDL_WINDOW_FULLSCREEN_DESKTOP);
  FMode = mode;
}

void TPlatformWindow::Show() { SDL_ShowWindow(FWindow); }

void TPlatformWindow::SetTitle(const std::string& title) { SDL_SetWindowTitle(FWindow, title.c_str()); }

void TPlatformWindow::SetAlwaysOnTop(bool on_top) { SDL_SetWindowAlwaysOnTop(FWindow, on_top ? SDL_TRUE : SDL_FALSE); }

TRect TPlatformWindow::FrameMargins() const {
  int top = 0, left = 0, bottom = 0, right = 0;
  if (SDL_GetWindowBordersSize(FWindow, &top, &left, &bottom, &right) != 0) return {};
  return TRect{left, top, right, bottom};
}

void TPlatformWindow::Hide() { SDL_HideWindow(FWindow); }

TRect TPlatformWindow::ClientRect() const {
  int x = 0, y = 0, w = 0, h = 0;
  SDL_GetWindowPosition(FWindow, &x, &y);
  SDL_GetWindowSize(FWindow, &w, &h);
  return TRect{x, y, x + w, y + h};
}

int TPlatformWindow::DisplayIndex() const { return std::max(0, SDL_GetWindowDisplayIndex(FWindow)); }

bool TPlatformWindow::IsVisible() const { return (SDL_GetWindowFlags(FWindow) & SDL_WINDOW_SHOWN) != 0; }

std::uint32_t TPlatformWindow::Id() const { return SDL_GetWindowID(FWindow); }

std::unique_ptr<TGLContext> TPlatformWindow::CreateGLContext() {
  RequestCoreContext();
  SDL_GLContext context = SDL_GL_CreateContext(FWindow);
  if (!context) RaiseSdlError("Can't create an OpenGL 3.3 context");
  return std::unique_ptr<TGLContext>(new TGLContext(FWindow, context));
}

void LetGoOfDeletedContext() {
  if (!tRelease.Bound || !tRelease.Binding.expired()) return;
  SDL_GL_MakeCurrent(nullptr, nullptr);
  tRelease.Bound = false;
}

TGLContext::TGLContext(SDL_Window* window, void* context)
    : FWindow(window), FContext(context), FBinding(std::make_shared<TContextBinding>()) {
  // Creation made it current on this thread.
  FBinding->Thread = std::this_thread::get_id();
  tRelease.Bound = true;
  tRelease.Binding = FBinding;
}

TGLContext::~TGLContext() {
  ReleaseCurrent();
  SDL_GL_DeleteContext(FContext);
}

bool TGLContext::MakeCurrent() {
  std::lock_guard lock(FBinding->Lock);
  const std::thread::id self = std::this_thread::get_id();
  if (FBinding->Thread == self && SDL_GL_GetCurrentContext() == FContext) return true;
  if (FBinding->Thread != std::thread::id() && FBinding->Thread != self) return false;
  if (SDL_GL_MakeCurrent(FWindow, FContext) != 0) RaiseSdlError("Can't make the OpenGL context current");
  FBinding->Thread = self;
  tRelease.Bound = true;
  tRelease.Binding = FBinding;
  return true;
}

void TGLContext::ReleaseCurrent() {
  std::lock_guard lock(FBinding->Lock);
  if (FBinding->Thread != std::this_thread::get_id()) return;
  if (SDL_GL_GetCurrentContext() == FContext) SDL_GL_MakeCurrent(FWindow, nullptr);
  FBinding->Thread = {};
}

bool TGLContext::IsCurrent() const { return SDL_GL_GetCurrentContext() == FContext; }

void TGLContext::SwapBuffers() { SDL_GL_SwapWindow(FWindow); }

bool TGLContext::SetSwapInterval(int interval) { return SDL_GL_SetSwapInterval(interval) == 0; }

void TGLContext::DrawableSize(int& width, int& height) const { SDL_GL_GetDrawableSize(FWindow, &width, &height); }

}  // namespace orv
