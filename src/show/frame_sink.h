// Where an engine that renders off screen puts its frames: a picture file, a numbered
// sequence of them, or a video encoder. The engine renders frame after frame at the show
// times the sink asks for, each only once every slide it needs is built, so the result
// does not depend on the machine's speed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/ref_object.h"
#include "image/image.h"

namespace orv {

class TFrameSink : public TRefObject {
public:
  // The show time (ms) of the next frame wanted; nothing once every frame was delivered.
  virtual std::optional<double> NextFrameTime() = 0;
  // The frame at the time NextFrameTime gave, the size of the slide frame on screen.
  // Called on the engine thread; may hand the work to a thread of its own. A sink that
  // cannot go on (disk full, encoder error) raises an exception, which ends the run.
  virtual void PutFrame(TImage& frame) = 0;
  // After the last frame (or after a failure): flushes and closes what was written.
  // The error text is empty when every frame was written.
  virtual void Finish(const std::string& error) = 0;
};

}  // namespace orv
