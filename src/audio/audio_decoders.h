// Registers every sound kind's probe and converter creator with the media probe and the
// factory. Programs that play or decode sound call it once at start-up, before opening
// any sound; calling it again changes nothing.
#pragma once

namespace orv {

void InstallAudioDecoders();

}  // namespace orv
