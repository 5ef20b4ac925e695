// The OpenGL 3.3 implementation of the render device.
#pragma once

#include "base/ref_object.h"
#include "render/device.h"

namespace orv {

// Sets what the GL drivers read when the first context is made. Call it before any other
// thread starts (it changes the environment).
void PrepareGLEnvironment();

// Makes the GL engine on the main thread: a probe context on a small hidden window reads
// the capabilities once. Raises ERenderError when no GL 3.3 context can be had.
Ref<T3DEngine> CreateEngineGL();

}  // namespace orv
