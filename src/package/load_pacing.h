// Load pacing: every stream the file accessor hands out calls PaceLoading after each
// piece it reads, so that long loads on loader threads leave the processor to the
// playing show.
#pragma once

#include <chrono>

namespace orv {

enum class TLoadPacingMode {
  Off = 0,      // playback paused or not started
  Playing = 2,  // a loading thread sleeps 1 ms after every 5 ms of loading
};

// Set by the engine. Playing also asks for a higher scheduling priority for the calling
// (engine) thread where the system allows it.
void SetLoadPacingMode(TLoadPacingMode mode);
TLoadPacingMode LoadPacingMode();

// The progress callback of the accessor's streams (the context is unused).
void PaceLoading(void* context);

// Whether a loading thread pauses now: only while playing, and once more than 5 ms have
// passed since its last pause.
bool LoadPauseDue(TLoadPacingMode mode, std::chrono::steady_clock::duration since_last_pause);

}  // namespace orv
