// Where the mix goes: the sound card, or an offline device that a test or the exporter
// pulls sample-exactly. The frames a device has taken are the audio clock.
#pragma once

#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/audio_port.h"

namespace orv {

// The one format the mixer produces: 44,100 Hz, 16-bit, stereo, interleaved.
inline constexpr int kOutputRate = 44100;
inline constexpr int kOutputChannels = 2;

inline double FramesToMs(double frames) { return frames * 1000.0 / kOutputRate; }
// To the nearest frame, so that a time made from a frame count gives that count back.
inline int64_t MsToFrames(double ms) { return std::llround(ms * kOutputRate / 1000.0); }

// Produces the mix. Called on the device's thread: it must not block or allocate.
class TAudioRenderer {
 public:
  virtual void Render(int16_t* frames, size_t count) noexcept = 0;

 protected:
  ~TAudioRenderer() = default;
};

class TAudioDevice {
 public:
  virtual ~TAudioDevice() = default;
  TAudioDevice(const TAudioDevice&) = delete;
  TAudioDevice& operator=(const TAudioDevice&) = delete;

  // Whether sound is heard and the clock can be trusted.
  virtual bool Usable() const = 0;
  // Called every few milliseconds by the clock: a device that went away is opened again.
  // False while the device plays nothing (the clock then follows the system timer).
  virtual bool KeepAlive() { return Usable(); }

  // The audio clock in ms: the frames taken so far.
  virtual double ClockMs() const { return FramesToMs(double(FramesPlayed())); }
  // Frames taken from the renderer so far.
  uint64_t FramesPlayed() const noexcept { return FFrames.load(std::memory_order_acquire); }
  // The steady clock (ns) when the last block was taken, to place the clock between blocks.
  int64_t LastBlockNanoseconds() const noexcept { return FLastBlock.load(std::memory_order_acquire); }
  // The longest a render call has taken (ns), and the number of calls; read by benchmarks.
  int64_t WorstRenderNanoseconds() const noexcept { return FWorstRender.load(std::memory_order_relaxed); }
  uint64_t RenderCalls() const noexcept { return FCalls.load(std::memory_order_relaxed); }

 protected:
  explicit TAudioDevice(TAudioRenderer& renderer) : FRenderer(renderer) {}
  // Renders one block and keeps the clock and the timing figures.
  void RenderBlock(int16_t* frames, size_t count) noexcept;

 private:
  TAudioRenderer& FRenderer;
  std::atomic<uint64_t> FFrames{0};
  std::atomic<int64_t> FLastBlock{0};
  std::atomic<int64_t> FWorstRender{0};
  std::atomic<uint64_t> FCalls{0};
};

// Rendered on demand: each Pull mixes exactly the frames asked for.
class TOfflineAudioDevice : public TAudioDevice {
 public:
  explicit TOfflineAudioDevice(TAudioRenderer& renderer) : TAudioDevice(renderer) {}
  bool Usable() const override { return true; }
  // The next `frames` frames of the mix (interleaved; valid until the next pull).
  const std::vector<int16_t>& Pull(size_t frames);

 private:
  std::vector<int16_t> FBlock;
};

// The sound card through SDL. SDL's "dummy" driver plays nothing and its clock drifts,
// so it counts as no device.
class TSdlAudioDevice : public TAudioDevice {
 public:
  // Frames per callback: about 12 ms, so a fade asked for is heard within one block.
  static constexpr int kBlockFrames = 512;

  explicit TSdlAudioDevice(TAudioRenderer& renderer);
  // Null when no usable device opens.
  static std::unique_ptr<TSdlAudioDevice> Open(TAudioRenderer& renderer);

  bool Usable() const override { return FPort.IsOpen() && !FPort.Lost(); }
  bool KeepAlive() override;
  // SDL takes a whole block at once: between blocks the clock moves on with the system
  // timer, up to one block's length, so that it does not advance in steps.
  double ClockMs() const override;

 private:
  static void Callback(void* device, int16_t* frames, int count);
  bool OpenPort();

  TAudioPort FPort;
  int64_t FNextReopen = 0;  // steady ms
};

}  // namespace orv
