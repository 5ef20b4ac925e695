#include "platform/audio_port.h"

#include <SDL.h>

#include "base/log.h"

namespace orv {

namespace {

// SDL keeps a thread's error text in thread-local storage that it frees only for threads
// it made itself; the port is opened from our own threads, so it drops that storage when
// it is done.
struct TSdlThreadStorageRelease {
  ~TSdlThreadStorageRelease() { SDL_TLSCleanup(); }
};

}  // namespace

bool TAudioPort::Open(int rate, int block_frames) {
  Close();
  const TSdlThreadStorageRelease release;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    Log().Write(std::string("!!! SDL audio: ") + SDL_GetError());
    return false;
  }
  SDL_AudioSpec wanted{};
  wanted.freq = rate;
  wanted.format = AUDIO_S16SYS;
  wanted.channels = 2;
  wanted.samples = Uint16(block_frames);
  wanted.callback = Trampoline;
  wanted.userdata = this;
  SDL_AudioSpec obtained{};
  Log().Write("-> SDL_OpenAudioDevice");
  const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
  Log().Write("<- SDL_OpenAudioDevice");
  if (device == 0) {
    Log().Write(std::string("!!! No sound device: ") + SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  FDevice = device;
  SDL_PauseAudioDevice(device, 0);
  return true;
}

void TAudioPort::Close() {
  if (FDevice == 0) return;
  SDL_CloseAudioDevice(FDevice.exchange(0));
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

bool TAudioPort::Lost() const {
  // A removed device is disabled by SDL, which then reports it stopped; SDL's removal
  // event goes to the main thread's queue, but the status can be read from any thread.
  const SDL_AudioDeviceID device = FDevice;
  return device != 0 && SDL_GetAudioDeviceStatus(device) == SDL_AUDIO_STOPPED;
}

std::string TAudioPort::DriverName() const {
  const char* name = FDevice != 0 ? SDL_GetCurrentAudioDriver() : nullptr;
  return name ? name : "";
}

void TAudioPort::Trampoline(void* port, uint8_t* bytes, int length) {
  auto& self = *static_cast<TAudioPort*>(port);
  self.FCallback(self.FContext, reinterpret_cast<int16_t*>(bytes), length / int(2 * sizeof(int16_t)));
}

}  // namespace orv
