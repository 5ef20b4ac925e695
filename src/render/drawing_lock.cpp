#include "render/drawing_lock.h"

#include <mutex>

#include "render/screen_3d.h"

namespace orv {

namespace {

std::recursive_mutex& DrawingMutex() {
  static std::recursive_mutex mutex;
  return mutex;
}

thread_local int tDepth = 0;

}  // namespace

TDrawingLock::TDrawingLock(T3DScreen* screen, TContextHold hold) : FScreen(screen) {
  DrawingMutex().lock();
  ++tDepth;
  if (FScreen) FScreen->BeginUse(hold == TContextHold::Keep);
}

TDrawingLock::~TDrawingLock() {
  if (FScreen) FScreen->EndUse();
  --tDepth;
  DrawingMutex().unlock();
}

bool TDrawingLock::IsHeld() { return tDepth > 0; }

}  // namespace orv
