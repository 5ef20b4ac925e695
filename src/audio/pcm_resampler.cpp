#include "audio/pcm_resampler.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "base/exceptions.h"

namespace orv {
namespace {

// Input samples are brought to the scale of 16-bit samples, as floats.
struct U8 {
  static constexpr size_t kBytes = 1;
  static float Read(const uint8_t* bytes) { return (bytes[0] - 128) * 256.0f; }
};
struct S16 {
  static constexpr size_t kBytes = 2;
  static float Read(const uint8_t* bytes) {
    int16_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
  }
};
struct S24 {
  static constexpr size_t kBytes = 3;
  static float Read(const uint8_t* bytes) {
    const uint32_t raw = bytes[0] | bytes[1] << 8 | static_cast<uint32_t>(bytes[2]) << 16;
    return static_cast<float>(static_cast<int32_t>(raw << 8) >> 8) * (1.0f / 256);
  }
};
struct S32 {
  static constexpr size_t kBytes = 4;
  static float Read(const uint8_t* bytes) {
    int32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return static_cast<float>(value) * (1.0f / 65536);
  }
};
struct F32 {
  static constexpr size_t kBytes = 4;
  static float Read(const uint8_t* bytes) {
    float value;
    std::memcpy(&value, bytes, sizeof value);
    // 1.0 is full scale; the bounds keep NaN and infinities out of the arithmetic (fmin
    // and fmax answer the other operand for NaN).
    return std::fmin(std::fmax(value * 32768.0f, -65536.0f), 65536.0f);
  }
};

template <class Kind, int Channels>
void ReadFrames(const uint8_t* bytes, size_t frames, const float* fold, float* pairs) {
  constexpr size_t kFrameBytes = Kind::kBytes * Channels;
  for (size_t i = 0; i < frames; ++i, bytes += kFrameBytes, pairs += 2) {
    if constexpr (Channels == 1) {
      pairs[0] = pairs[1] = Kind::Read(bytes);
    } else if constexpr (Channels == 2) {
      pairs[0] = Kind::Read(bytes);
      pairs[1] = Kind::Read(bytes + Kind::kBytes);
    } else {
      float left = 0, right = 0;
      for (int channel = 0; channel < Channels; ++channel) {
        const float sample = Kind::Read(bytes + channel * Kind::kBytes);
        left += fold[channel] * sample;
        right += fold[Channels + channel] * sample;
      }
      pairs[0] = left;
      pairs[1] = right;
    }
  }
}

using TReader = void (*)(const uint8_t* bytes, size_t frames, const float* fold, float* pairs);

template <class Kind>
TReader ReaderOf(int channels) {
  switch (channels) {
    case 1: return ReadFrames<Kind, 1>;
    case 2: return ReadFrames<Kind, 2>;
    default: return ReadFrames<Kind, 6>;
  }
}

int ToSample(float value) { return static_cast<int>(std::lrintf(std::fmin(std::fmax(value, -32768.0f), 32767.0f))); }

template <int Channels, int Bits>
struct TWriter {
  static constexpr size_t kFrameBytes = Channels * Bits / 8;
  static uint8_t* Write(uint8_t* out, int left, int right) {
    if constexpr (Channels == 1) return Put(out, (left + right) / 2);
    return Put(Put(out, left), right);
  }
  static uint8_t* Put(uint8_t* out, int value) {
    if constexpr (Bits == 8) {
      *out = static_cast<uint8_t>((value >> 8) + 128);
    } else {
      const auto sample = static_cast<int16_t>(value);
      std::memcpy(out, &sample, sizeof sample);
    }
    return out + Bits / 8;
  }
};

// Which side a speaker of the WAV channel mask is on, by its bit.
enum class TSide { Left, Right, Both };
TSide SideOfSpeaker(int bit) {
  switch (bit) {
    case 0: case 4: case 6: case 9: case 12: case 15: return TSide::Left;    // front, back, side, top left
    case 1: case 5: case 7: case 10: case 14: case 17: return TSide::Right;  // their right partners
    default: return TSide::Both;                                             // centres, low frequencies
  }
}

// 5.1 with back speakers, for files that do not say.
constexpr uint32_t kDefaultSixChannelMask = 0x3F;

}  // namespace

TPcmResampler::TPcmResampler(const TWaveFormat& source, const TWaveFormat& target, uint32_t channel_mask)
    : FSource(source), FTarget(target) {
  if (!CanRead(source)) throw EConvertError("Unsupported sample format for conversion");
  if (!CanWrite(target)) throw EConvertError("Unsupported output format for conversion");
  const auto kind = source.FormatTag == kWaveFormatIeeeFloat ? TSampleKind::F32
                    : source.BitsPerSample == 8             ? TSampleKind::U8
                    : source.BitsPerSample == 16            ? TSampleKind::S16
                    : source.BitsPerSample == 24            ? TSampleKind::S24
                                                            : TSampleKind::S32;
  FReader = ReaderFor(kind, source.Channels);
  FTargetFrameBytes = target.Channels * target.BitsPerSample / 8u;
  if (source.Channels == 6) SetFoldWeights(channel_mask);
}

bool TPcmResampler::CanRead(const TWaveFormat& source) {
  const bool integer = source.FormatTag == kWaveFormatPcm &&
                       (source.BitsPerSample == 8 || source.BitsPerSample == 16 || source.BitsPerSample == 24 ||
                        source.BitsPerSample == 32);
  const bool floating = source.FormatTag == kWaveFormatIeeeFloat && source.BitsPerSample == 32;
  const bool channels = source.Channels == 1 || source.Channels == 2 || source.Channels == 6;
  return (integer || floating) && channels && source.SamplesPerSec > 0 &&
         source.BlockAlign == source.Channels * source.BitsPerSample / 8;
}

bool TPcmResampler::CanWrite(const TWaveFormat& target) {
  return target.FormatTag == kWaveFormatPcm && (target.BitsPerSample == 8 || target.BitsPerSample == 16) &&
         (target.Channels == 1 || target.Channels == 2) && target.SamplesPerSec > 0;
}

TPcmResampler::TFrameReader TPcmResampler::ReaderFor(TSampleKind kind, int channels) {
  switch (kind) {
    case TSampleKind::U8: return ReaderOf<U8>(channels);
    case TSampleKind::S16: return ReaderOf<S16>(channels);
    case TSampleKind::S24: return ReaderOf<S24>(channels);
    case TSampleKind::S32: return ReaderOf<S32>(channels);
    default: return ReaderOf<F32>(channels);
  }
}

// Each channel goes to its own side, centre and low-frequency channels to both at half
// weight, and the weights are scaled so that even all channels at full scale cannot clip.
void TPcmResampler::SetFoldWeights(uint32_t channel_mask) {
  if (std::popcount(channel_mask) < FSource.Channels) channel_mask = kDefaultSixChannelMask;
  float left_total = 0, right_total = 0;
  for (int channel = 0; channel < FSource.Channels; ++channel) {
    const int bit = std::countr_zero(channel_mask);
    channel_mask &= channel_mask - 1;
    const TSide side = SideOfSpeaker(bit);
    FFold[channel] = side == TSide::Left ? 2.0f : side == TSide::Both ? 1.0f : 0.0f;
    FFold[FSource.Channels + channel] = side == TSide::Right ? 2.0f : side == TSide::Both ? 1.0f : 0.0f;
    left_total += FFold[channel];
    right_total += FFold[FSource.Channels + channel];
  }
  const float scale = 1.0f / std::max({left_total, right_total, 1.0f});
  for (float& weight : FFold) weight *= scale;
}

void TPcmResampler::Process(const uint8_t* bytes, size_t count, TLocalBuffer& output) {
  const size_t frame_bytes = FSource.BlockAlign;
  if (!FCarry.empty()) {
    const size_t taken = std::min(count, frame_bytes - FCarry.size());
    FCarry.insert(FCarry.end(), bytes, bytes + taken);
    bytes += taken;
    count -= taken;
    if (FCarry.size() < frame_bytes) return;
    ProcessFrames(FCarry.data(), 1, output);
    FCarry.clear();
  }
  ProcessFrames(bytes, count / frame_bytes, output);
  const size_t rest = count % frame_bytes;
  FCarry.assign(bytes + count - rest, bytes + count);
}

void TPcmResampler::ProcessFrames(const uint8_t* bytes, size_t frames, TLocalBuffer& output) {
  if (frames == 0) return;
  FPairs.resize(frames * 2);
  FReader(bytes, frames, FFold, FPairs.data());
  Interpolate(FPairs.data(), frames, output);
}

void TPcmResampler::Finish(TLocalBuffer& output) {
  // One more frame holding the last one lets the outputs up to the very end be made.
  const float last[2] = {FHistory[2], FHistory[3]};
  Interpolate(last, 1, output);
  Reset();
}

void TPcmResampler::Reset() {
  std::fill(std::begin(FHistory), std::end(FHistory), 0.0f);
  FPhase = 0;
  FCarry.clear();
}

namespace {

// The frames between the last input frame and the new one, on the quadratic through the
// two frames before and the new one. `history` holds the two previous stereo frames.
template <class Writer>
uint8_t* InterpolateFrames(const float* pairs, size_t frames, float* history, int64_t& phase, int64_t in_rate,
                           int64_t out_rate, uint8_t* out) {
  const float step = 1.0f / static_cast<float>(out_rate);
  float l0 = history[0], r0 = history[1], l1 = history[2], r1 = history[3];
  for (size_t i = 0; i < frames; ++i) {
    const float l2 = pairs[2 * i], r2 = pairs[2 * i + 1];
    const float la = 0.5f * (l2 - l0), lb = 0.5f * (l0 + l2) - l1;
    const float ra = 0.5f * (r2 - r0), rb = 0.5f * (r0 + r2) - r1;
    for (; phase < 0; phase += in_rate) {
      // f = 0 is the previous frame itself, exactly: equal rates copy the samples.
      const float f = static_cast<float>(phase + out_rate) * step;
      out = Writer::Write(out, ToSample(l1 + f * (la + f * lb)), ToSample(r1 + f * (ra + f * rb)));
    }
    phase -= out_rate;
    l0 = l1, r0 = r1, l1 = l2, r1 = r2;
  }
  history[0] = l0, history[1] = r0, history[2] = l1, history[3] = r1;
  return out;
}

}  // namespace

void TPcmResampler::Interpolate(const float* pairs, size_t frames, TLocalBuffer& output) {
  const int64_t in_rate = FSource.SamplesPerSec, out_rate = FTarget.SamplesPerSec;
  // At most this many output frames fall among `frames` input frames.
  const size_t room = (frames * out_rate / in_rate + 2) * FTargetFrameBytes;
  const size_t kept = output.Size();
  uint8_t* const start = output.Extend(room);
  const auto run = [&]<class Writer>(Writer) {
    return InterpolateFrames<Writer>(pairs, frames, FHistory, FPhase, in_rate, out_rate, start);
  };
  const bool mono = FTarget.Channels == 1;
  uint8_t* const end = FTarget.BitsPerSample == 8 ? (mono ? run(TWriter<1, 8>{}) : run(TWriter<2, 8>{}))
                                                  : (mono ? run(TWriter<1, 16>{}) : run(TWriter<2, 16>{}));
  output.Shrink(kept + static_cast<size_t>(end - start));
}

}  // namespace orv
