#include "audio/composite_converter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <numeric>

#include "audio/converter_factory.h"
#include "audio/media_probe.h"
#include "base/log.h"

namespace orv {
namespace {

constexpr int64_t kFrameBytes = 4;
constexpr size_t kBlockSamples = TCompositeConverter::kBlockBytes / 2;
constexpr size_t kBlockFrames = TCompositeConverter::kBlockBytes / kFrameBytes;

int64_t RoundToInteger(double value) noexcept {
  return static_cast<int64_t>(value < 0 ? value - 0.5 : value + 0.5);
}

double BytesToMs(int64_t bytes) noexcept { return static_cast<double>(bytes) * 1000 / 176400; }

// Walks `frames` sample frames under `gains`, handing `apply` runs of frames with their
// gain: whole runs while the gain stays put, single frames while it moves. With
// `stop_at_end` the walk stops where an envelope ends; returns the frames walked.
template <class Apply>
size_t WalkGains(TVolumeParamsList& gains, size_t frames, bool stop_at_end, Apply apply) {
  size_t done = 0;
  while (done < frames) {
    if (stop_at_end && gains.Ended()) break;
    const auto run = static_cast<size_t>(
        std::min<int64_t>(static_cast<int64_t>(frames - done), gains.FramesToNextPoint()));
    if (gains.Flat()) {
      apply(done, run, gains.Gain());
      gains.Skip(static_cast<int64_t>(run));
    } else {
      for (size_t k = 0; k < run; ++k) {
        apply(done + k, 1, gains.Gain());
        gains.Step();
      }
    }
    done += run;
  }
  return done;
}

// Adds samples to the sums under an item's gain: near 1 as they are, near 0 not at all.
void AddSamples(const int16_t* samples, int64_t* sums, size_t count, double gain) {
  if (gain >= 0.99 && gain < 1.01) {
    for (size_t i = 0; i < count; ++i) sums[i] += samples[i];
  } else if (gain > 0.00001) {
    for (size_t i = 0; i < count; ++i) sums[i] += RoundToInteger(gain * samples[i]);
  }
}

// Scales sums under the master gain.
void ScaleSums(int64_t* sums, size_t count, double gain) {
  if (gain >= 0.99 && gain < 1.01) return;
  if (gain < 0.001) {
    std::fill(sums, sums + count, 0);
    return;
  }
  for (size_t i = 0; i < count; ++i) sums[i] = RoundToInteger(gain * static_cast<double>(sums[i]));
}

// Logs why an item leaves the mix; false.
bool Drop(const std::string& name, const std::string& reason) {
  Log().Write("Composite: " + name + " is left out: " + reason);
  return false;
}

}  // namespace

struct TCompositeConverter::TItem {
  TCompositeItem Item;
  int64_t StartByte = 0;
  double LengthMs = 0;
  Ref<TWavConverter> Converter;
  TItemState State = TItemState::Waiting;
  // Where the item starts inside the block being mixed, in bytes; −1 when it sounds from
  // the block's start.
  int64_t Offset = -1;
};

TCompositeConverter::TCompositeConverter(std::string description)
    : TWavConverter(nullptr), FDescription(std::move(description)), FSums(kBlockSamples) {}

TCompositeConverter::~TCompositeConverter() = default;

bool TCompositeConverter::Open(const TMediaInfo& info) {
  std::optional<TCompositeParams> params = ParseCompositeDescription(FDescription);
  if (!params) return false;
  MutableInfo() = info;
  FParams = std::move(*params);
  const double total = FParams.Duration;
  for (TCompositeItem& item : FParams.Items) {
    TItem& placed = FItems.emplace_back();
    const double room = total - item.TimeLine;
    // Duration 0 plays the file for as long as the composite lasts.
    placed.LengthMs = item.Duration > 0 ? std::min(item.Duration, room) : room;
    placed.StartByte = MsToStandardBytes(item.TimeLine);
    placed.Item = std::move(item);
    placed.Item.Volumes.Compile(placed.LengthMs);
  }
  FParams.Items.clear();
  if (FParams.MainVolume) FParams.MainVolume->Compile(total);
  FByTime.resize(FItems.size());
  std::iota(FByTime.begin(), FByTime.end(), size_t{0});
  std::stable_sort(FByTime.begin(), FByTime.end(),
                   [this](size_t a, size_t b) { return FItems[a].Item.TimeLine < FItems[b].Item.TimeLine; });
  // The mix is made in the standard format: nothing to convert.
  SetDecodedFormat(StandardWaveFormat());
  SetOutputFormat(StandardWaveFormat());
  Seek(0);
  return true;
}

bool TCompositeConverter::OpenItem(TItem& item) {
  if (item.Converter) return true;
  const std::string& name = item.Item.FileName;
  try {
    StreamPtr stream = OpenAudioFile(name);
    if (!stream) return Drop(name, "it does not open");
    TMediaInfo info;
    std::string reason;
    if (!ProbeMedia(*stream, name, info, &reason)) return Drop(name, "it is not a sound: " + reason);
    item.Converter = CreateConverter(std::move(stream), name, info);
    if (!item.Converter) return Drop(name, "no decoder opens it");
    item.Converter->SetOutputFormat(StandardWaveFormat());
  } catch (const std::exception& error) {
    item.Converter = nullptr;
    return Drop(name, error.what());
  }
  return true;
}

// Opens the item if needed and moves its file to `begin_ms`; an item that does not open
// leaves the mix.
bool TCompositeConverter::Place(TItem& item, double begin_ms) {
  if (!OpenItem(item)) {
    item.State = TItemState::Finished;
    return false;
  }
  item.Converter->Seek(begin_ms);
  item.Converter->Output().Clear();
  return true;
}

void TCompositeConverter::Seek(double ms) {
  const double at = std::max(ms, 0.0);
  FPositionBytes = MsToStandardBytes(at);
  for (TItem& item : FItems) {
    item.State = TItemState::Waiting;
    item.Offset = -1;
  }
  FNextWaiting = 0;
  for (; FNextWaiting < FByTime.size(); ++FNextWaiting) {
    TItem& item = FItems[FByTime[FNextWaiting]];
    const double start = item.Item.TimeLine;
    if (at >= start + item.LengthMs) {
      item.State = TItemState::Finished;
    } else if (at < start - kOpenAheadMs) {
      break;
    } else if (start < at) {
      if (Place(item, item.Item.BeginTime + (at - start))) item.State = TItemState::Active;
    } else if (Place(item, item.Item.BeginTime)) {
      item.State = TItemState::Opened;
    }
  }
  if (FParams.MainVolume) FParams.MainVolume->SetPosition(FPositionBytes);
  Output().Clear();
  SetPosition(at);
}

bool TCompositeConverter::Fill(size_t count) {
  while (Output().Size() < count) MixBlock();
  return FPositionBytes < TotalBytes();
}

int64_t TCompositeConverter::TotalBytes() const { return MsToStandardBytes(FParams.Duration); }

void TCompositeConverter::MixBlock() {
  std::fill(FSums.begin(), FSums.end(), 0);
  ActivateDueItems();
  for (TItem& item : FItems)
    if (item.State == TItemState::Active) MixItem(item);
  ApplyMaster();
  AppendClipped();
  FPositionBytes += kBlockBytes;
  SetPosition(BytesToMs(FPositionBytes));
  OpenUpcomingItems();
}

void TCompositeConverter::ActivateDueItems() {
  for (TItem& item : FItems) {
    if (item.State != TItemState::Opened || item.StartByte >= FPositionBytes + kBlockBytes) continue;
    item.State = TItemState::Active;
    item.Offset = std::max<int64_t>(item.StartByte - FPositionBytes, 0);
  }
}

void TCompositeConverter::MixItem(TItem& item) {
  const int64_t offset = std::max<int64_t>(item.Offset, 0);
  item.Offset = -1;
  const auto bytes = static_cast<size_t>(kBlockBytes - offset);
  TWavConverter& converter = *item.Converter;
  const bool more = converter.Fill(bytes);
  std::array<int16_t, kBlockSamples> samples;
  std::memcpy(samples.data(), converter.Output().Data(), bytes);
  converter.Output().Take(bytes);

  TVolumeParamsList& gains = item.Item.Volumes;
  gains.SetPosition(FPositionBytes + offset - item.StartByte);
  int64_t* sums = FSums.data() + offset / 2;
  const size_t frames = bytes / kFrameBytes;
  const size_t mixed = WalkGains(gains, frames, true, [&](size_t first, size_t count, double gain) {
    AddSamples(samples.data() + first * 2, sums + first * 2, count * 2, gain);
  });
  if (!more || mixed < frames || gains.Ended()) item.State = TItemState::Finished;
}

void TCompositeConverter::ApplyMaster() {
  if (!FParams.MainVolume) return;
  FParams.MainVolume->SetPosition(FPositionBytes);
  WalkGains(*FParams.MainVolume, kBlockFrames, false, [this](size_t first, size_t count, double gain) {
    ScaleSums(FSums.data() + first * 2, count * 2, gain);
  });
}

void TCompositeConverter::AppendClipped() {
  auto* out = Output().Extend(kBlockBytes);
  for (size_t i = 0; i < kBlockSamples; ++i) {
    const auto sample = static_cast<int16_t>(std::clamp<int64_t>(FSums[i], -32768, 32767));
    std::memcpy(out + i * 2, &sample, 2);
  }
}

void TCompositeConverter::OpenUpcomingItems() {
  const int64_t horizon = FPositionBytes + MsToStandardBytes(kOpenAheadMs);
  for (; FNextWaiting < FByTime.size(); ++FNextWaiting) {
    TItem& item = FItems[FByTime[FNextWaiting]];
    if (item.State != TItemState::Waiting) continue;
    if (item.StartByte >= horizon) break;
    if (Place(item, item.Item.BeginTime)) item.State = TItemState::Opened;
  }
}

void RegisterCompositeDecoder() {
  RegisterMediaProber(TProbeFamily::Composite, [](TStream&, const std::string& name, TMediaInfo& info) {
    const std::optional<TCompositeParams> params = ParseCompositeDescription(name);
    if (!params) return false;
    info.Type = TMediaType::Composite;
    info.Format = StandardWaveFormat();
    info.DurationMs = static_cast<int64_t>(params->Duration + 0.5);
    info.DataSize = MsToStandardBytes(params->Duration);
    return true;
  });
  RegisterConverterCreator(TMediaType::Composite, [](StreamPtr, const std::string& name, const TMediaInfo&) {
    return Ref<TWavConverter>(MakeRef<TCompositeConverter>(name));
  });
}

}  // namespace orv
