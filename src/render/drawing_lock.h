// The process-wide drawing lock. Frames are drawn by the engine thread while the main
// thread creates, re-creates and disposes devices; both go through this lock.
//
// One GL context per window is handed over under the lock: the outermost holder on a
// thread makes the screen's context current and releases it when it lets go, so the
// context is never current on two threads and whoever holds the lock may use it.
// (A second, shared context per thread would spare the hand-over, but GL shares neither
// framebuffers nor vertex arrays between contexts and needs fences for every upload;
// the hand-over costs one make-current per frame.) Nested holders — drawing into render
// targets inside a frame — pass straight through.
#pragma once

namespace orv {

class T3DScreen;

class TDrawingLock {
public:
  // With a screen, its context is current on this thread while the lock is held (when
  // the screen has a device).
  explicit TDrawingLock(T3DScreen* screen = nullptr);
  ~TDrawingLock();
  TDrawingLock(const TDrawingLock&) = delete;
  TDrawingLock& operator=(const TDrawingLock&) = delete;

  // Whether this thread holds the lock.
  static bool IsHeld();

private:
  T3DScreen* FScreen;
};

}  // namespace orv
