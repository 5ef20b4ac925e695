// The slide frame on the screen: the aspect of the show's slides and the rectangle they fill,
// fitted into the screen or covering it.
#pragma once

#include "base/rect.h"
#include "project/ini_values.h"
#include "project/show_options.h"

namespace orv {

// The slide aspect (width / height): the project's frame size for projects newer than
// format 12, else the screen's, replaced by "opt_scr_ratio" when the project has it.
double SlideAspect(const TShowOptions& options, TIntPair project_size, TIntPair screen_size);

struct TFrameRequest {
  TIntPair Screen;      // the size presented in
  TIntPair Project;     // the project's frame size
  double Aspect = 1;    // of the slides
  bool Fixed = false;   // keep the project's size, only ever reduced to fit
  bool Cover = false;   // fill the screen rather than fit into it
  double ScaleX = 100;  // percent
  double ScaleY = 100;
};

// The frame's size in pixels: even sides unless they fill the screen.
TIntPair FrameSize(const TFrameRequest& request);

// The frame of `size` centred in the screen, clipped to it; empty when nothing is left.
TRect FrameRect(TIntPair screen, TIntPair size);

}  // namespace orv
