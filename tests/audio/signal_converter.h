// A converter that makes its sound instead of decoding it: sample value as a function of
// the frame number (the same on both channels), for a given number of frames.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>

#include "audio/audio_converter.h"
#include "audio/audio_device.h"
#include "audio/media_info.h"

namespace orv::test {

using TSignal = std::function<int16_t(int64_t frame)>;

inline TSignal Constant(int16_t value) {
  return [value](int64_t) { return value; };
}

inline TSignal Tone(double hertz, double amplitude) {
  return [=](int64_t frame) {
    return int16_t(std::lrint(amplitude * std::sin(2 * std::numbers::pi * hertz * double(frame) / kOutputRate)));
  };
}

class TSignalConverter : public TWavConverter {
 public:
  TSignalConverter(TSignal signal, int64_t frames)
      : TWavConverter(nullptr), FSignal(std::move(signal)), FFrames(frames) {}

  bool Fill(size_t count) override {
    TLocalBuffer& output = Output();
    bool delivered = false;
    while (output.Size() < count) {
      if (FNext >= FFrames) {
        output.AppendFill(0, count - output.Size());
        return delivered;
      }
      delivered = true;
      const int16_t sample = FSignal(FNext++);
      const int16_t frame[2] = {sample, sample};
      output.Append(frame, sizeof frame);
    }
    return true;
  }
  void Seek(double ms) override {
    FNext = MsToFrames(ms);
    Output().Clear();
  }

 private:
  TSignal FSignal;
  int64_t FFrames;
  int64_t FNext = 0;
};

inline TMediaInfo SignalInfo(int64_t frames) {
  TMediaInfo info;
  info.Type = TMediaType::WavPcm;
  info.Format = StandardWaveFormat();
  info.DurationMs = int64_t(FramesToMs(double(frames)));
  return info;
}

}  // namespace orv::test
