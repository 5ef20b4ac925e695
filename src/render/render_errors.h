// Failures of the render device.
#pragma once

#include "base/exceptions.h"

namespace orv {

// The device could not do what was asked (no context, a shader that does not build...).
class ERenderError : public Exception {
public:
  using Exception::Exception;
};

// The device has no room left for another texture or render target. The screen answers
// it by releasing other textures and trying again.
class EOutOfVideoMemory : public ERenderError {
public:
  using ERenderError::ERenderError;
};

}  // namespace orv
