#include "show/music_loader.h"

#include <algorithm>
#include <chrono>

#include "base/assertions.h"
#include "base/log.h"

namespace orv {

TMusicLoader::TMusicLoader(Ref<TMusicPlayerClass> output, TThreadEventList& player, int arrived_code)
    : TOrvThread("music loader"), FOutput(std::move(output)), FPlayer(player), FArrivedCode(arrived_code) {}

TMusicLoader::~TMusicLoader() { Stop(); }

// Everything the loader does comes as a message, which wakes it at once.
void TMusicLoader::Step() { WaitForEvents(std::chrono::milliseconds(100)); }

void TMusicLoader::HandleEvent(const TThreadEvent& event) {
  switch (event.code) {
    case kEventCreate:
      Create(static_cast<TChannelContainer&>(*event.data));
      break;
    case kEventRelease:
      // The last reference goes here: the channel fades out and waits for its streams.
      static_cast<TOutputContainer&>(*event.data).Output = nullptr;
      break;
    default:
      ORV_ASSERT(false, "Unknown EventID");
  }
}

// A channel that cannot be created goes back without an output: its item counts it as
// ready and stays silent, so the show does not wait for it.
void TMusicLoader::Create(TChannelContainer& container) {
  TOrvChannel& channel = *container.Channel;
  if (channel.ItemId() == TOrvChannel::kCancelled) return;
  Ref<TChannelMusic> output = FOutput ? FOutput->CreateChannel(channel.Source(), channel.StartPosition()) : nullptr;
  double end = channel.EndTime();
  if (output) {
    const double duration = double(output->MediaInfo().DurationMs);
    end = std::min(end, duration - channel.StartPosition() + channel.StartTime());
  } else if (FOutput) {
    Log().Write("+++++++++++++++++++ Channel Create ERROR");
  }
  channel.SetOutput(std::move(output), end);
  FPlayer.Post(FArrivedCode, Ref<TChannelContainer>::Share(&container));
}

}  // namespace orv
