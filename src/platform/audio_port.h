// The sound card as SDL offers it: one output of 16-bit stereo frames that SDL's own audio
// thread pulls through a callback. Everything above this works on frames and never sees SDL.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace orv {

class TAudioPort {
 public:
  // Runs on SDL's audio thread: fills `count` interleaved stereo frames.
  using TRenderCallback = void (*)(void* context, int16_t* frames, int count);

  TAudioPort(TRenderCallback callback, void* context) : FCallback(callback), FContext(context) {}
  ~TAudioPort() { Close(); }
  TAudioPort(const TAudioPort&) = delete;
  TAudioPort& operator=(const TAudioPort&) = delete;

  // Opens the default output at `rate` Hz with `block_frames` frames per callback and
  // starts it. SDL converts when the card wants another format. False (the reason logged)
  // when there is no device.
  bool Open(int rate, int block_frames);
  void Close();
  bool IsOpen() const { return FDevice != 0; }
  // The device went away (unplugged, sound server gone): SDL no longer calls back.
  bool Lost() const;
  // The driver in use ("pulseaudio", "alsa", "disk", "dummy"); empty when closed.
  std::string DriverName() const;

 private:
  static void Trampoline(void* port, uint8_t* bytes, int length);

  TRenderCallback FCallback;
  void* FContext;
  // Read by other threads asking whether sound still plays.
  std::atomic<uint32_t> FDevice{0};
};

}  // namespace orv
