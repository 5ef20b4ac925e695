// The viewers that play a show through the engine: in the host's window in real time, or
// off screen frame by frame into a frame sink (snapshots and video export).
#pragma once

#include "project/ini_values.h"
#include "show/frame_sink.h"
#include "show/orv_show_viewer.h"
#include "show/show_clock.h"

namespace orv {

// Exit codes an off-screen run hands to TViewerHost::EndProgram.
inline constexpr int kOffscreenDone = 0;    // the sink had every frame it asked for
inline constexpr int kOffscreenFailed = 1;  // the sink raised an exception; Finish got its text

struct TShowViewerSettings {
  // Slides cover the whole screen instead of fitting into it (the "cover" switch).
  bool Cover = false;
};

// Plays shows in the host's window: the window takes the mode the show asks for and is
// shown with the first frame. Positions (and the end of a show that does not repeat) go to
// TViewerHost::OnPosition, actions for the main window to TViewerHost::OnAction.
Ref<TOrvShowViewer> CreateShowViewer(TViewerHost& host, TShowViewerSettings settings = {});

// Renders a show off screen. The host's window lends its GL context and is never shown;
// it is placed at `size` (each side at least 10 pixels), the size the frames are rendered
// at (the slide frame inside it follows the show's aspect, see the slide loader).
// Opening the show starts the run: for every time the sink's NextFrameTime gives, the
// clock is set so that the show stands at that time, the engine waits until every slide
// that frame shows is built, renders it and hands it to PutFrame. End actions ("pause",
// "loop", run-app) are off, so the show plays straight through; the end of a "stop" or
// "close" show holds its last frame. When NextFrameTime has no more times the viewer calls
// Finish("") and EndProgram(kOffscreenDone); an exception from the sink gives
// Finish(its text) and EndProgram(kOffscreenFailed). Pausing and positioning change
// nothing: the sink's times decide what is rendered.
Ref<TOrvShowViewer> CreateOffscreenViewer(TViewerHost& host, Ref<TFrameClock> clock, Ref<TFrameSink> sink,
                                          TIntPair size, TShowViewerSettings settings = {});

}  // namespace orv
