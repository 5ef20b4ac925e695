// The process-wide drawing lock. Frames are drawn by the engine thread while the main
// thread creates, re-creates and disposes devices; both go through this lock.
//
// One GL context per window, current on one thread at a time. The main thread makes it
// (it is current there while it is made) and lets go of it at once; the thread that draws
// frames then makes it current and keeps it from frame to frame, because letting go of a
// context flushes it and stalls the pipeline (a fifth of the frame rate on software GL).
// Disposal and re-creation on the main thread need no context current: a deleted context
// is freed when the drawing thread lets go, which it does when it takes the new one or
// when it ends. Should another thread want to draw while a live one keeps the context,
// its frame is skipped and the keeper hands the context over at the end of its next
// frame. (Shared contexts would spare the hand-over, but GL shares neither framebuffers
// nor vertex arrays between contexts and needs fences for every upload.)
#pragma once

namespace orv {

class T3DScreen;

enum class TContextHold {
  Release,  // let go of the context when the lock is released
  Keep,     // a frame: keep the context on this thread for the next one
};

class TDrawingLock {
public:
  // With a screen, its context is current on this thread while the lock is held (when
  // the screen has a device and no other thread keeps it).
  explicit TDrawingLock(T3DScreen* screen = nullptr, TContextHold hold = TContextHold::Release);
  ~TDrawingLock();
  TDrawingLock(const TDrawingLock&) = delete;
  TDrawingLock& operator=(const TDrawingLock&) = delete;

  // Whether this thread holds the lock.
  static bool IsHeld();

private:
  T3DScreen* FScreen;
};

}  // namespace orv
