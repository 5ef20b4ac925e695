#include "audio/audio_device.h"

#include <algorithm>
#include <chrono>

#include "base/log.h"
#include "base/tick_count.h"

namespace orv {

namespace {

int64_t SteadyNanoseconds() noexcept {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

constexpr int64_t kReopenIntervalMs = 1000;

}  // namespace

void TAudioDevice::RenderBlock(int16_t* frames, size_t count) noexcept {
  const int64_t started = SteadyNanoseconds();
  FRenderer.Render(frames, count);
  const int64_t finished = SteadyNanoseconds();
  // Only this thread renders, so a plain compare-and-store keeps the maximum.
  if (finished - started > FWorstRender.load(std::memory_order_relaxed))
    FWorstRender.store(finished - started, std::memory_order_relaxed);
  FCalls.fetch_add(1, std::memory_order_relaxed);
  FLastBlock.store(finished, std::memory_order_release);
  FFrames.fetch_add(count, std::memory_order_acq_rel);
}

const std::vector<int16_t>& TOfflineAudioDevice::Pull(size_t frames) {
  FBlock.resize(frames * kOutputChannels);
  RenderBlock(FBlock.data(), frames);
  return FBlock;
}

TSdlAudioDevice::TSdlAudioDevice(TAudioRenderer& renderer) : TAudioDevice(renderer), FPort(Callback, this) {}

std::unique_ptr<TSdlAudioDevice> TSdlAudioDevice::Open(TAudioRenderer& renderer) {
  auto device = std::make_unique<TSdlAudioDevice>(renderer);
  if (!device->OpenPort()) return nullptr;
  return device;
}

bool TSdlAudioDevice::OpenPort() {
  if (!FPort.Open(kOutputRate, kBlockFrames)) return false;
  if (FPort.DriverName() != "dummy") return true;
  Log().Write("!!! SDL audio driver \"dummy\": no sound, the system timer keeps time");
  FPort.Close();
  return false;
}

bool TSdlAudioDevice::KeepAlive() {
  if (Usable()) return true;
  const int64_t now = TickCount();
  if (now < FNextReopen) return false;
  FNextReopen = now + kReopenIntervalMs;
  Log().Write("!!! The sound device was lost: opening it again");
  return OpenPort();
}

double TSdlAudioDevice::ClockMs() const {
  const double since_block = double(SteadyNanoseconds() - LastBlockNanoseconds()) / 1e6;
  return TAudioDevice::ClockMs() + std::clamp(since_block, 0.0, FramesToMs(kBlockFrames));
}

void TSdlAudioDevice::Callback(void* device, int16_t* frames, int count) {
  static_cast<TSdlAudioDevice*>(device)->RenderBlock(frames, size_t(count));
}

}  // namespace orv
