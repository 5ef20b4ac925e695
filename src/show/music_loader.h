// The music loader: a thread that creates and frees output channels, so that opening and
// probing a sound never holds up the player's scheduling.
#pragma once

#include "audio/music_output.h"
#include "base/orv_thread.h"
#include "show/music_play_items.h"

namespace orv {

// Carries a channel between the player and the loader.
class TChannelContainer : public TRefObject {
 public:
  explicit TChannelContainer(Ref<TOrvChannel> channel) : Channel(std::move(channel)) {}
  Ref<TOrvChannel> Channel;
};

// Carries an output channel to the loader to be freed there.
class TOutputContainer : public TRefObject {
 public:
  explicit TOutputContainer(Ref<TChannelMusic> output) : Output(std::move(output)) {}
  Ref<TChannelMusic> Output;
};

class TMusicLoader : public TOrvThread {
 public:
  static constexpr int kEventCreate = 1;
  static constexpr int kEventRelease = 3;

  // `output` may be null (no sound device): channels then come back without an output.
  // Created channels are posted as `arrived_code` to `player`.
  TMusicLoader(Ref<TMusicPlayerClass> output, TThreadEventList& player, int arrived_code);
  ~TMusicLoader() override;

 protected:
  void Step() override;
  void HandleEvent(const TThreadEvent& event) override;

 private:
  void Create(TChannelContainer& container);

  Ref<TMusicPlayerClass> FOutput;
  TThreadEventList& FPlayer;
  int FArrivedCode;
};

}  // namespace orv
