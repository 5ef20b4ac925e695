// Plays a composite description as if it were one sound file: the listed files are opened
// shortly before they sound, decoded, shaped by their volume envelopes and added up, and
// the sum (under the master envelope) is delivered as standard PCM (44100 Hz, 16 bits,
// stereo), clipped at the 16-bit limits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/audio_converter.h"
#include "audio/composite_description.h"

namespace orv {

class TCompositeConverter : public TWavConverter {
 public:
  // Bytes mixed in one step: 2500 sample frames.
  static constexpr int64_t kBlockBytes = 10000;
  // Files are opened this long before they sound.
  static constexpr double kOpenAheadMs = 5000;

  // `description`: the text of the composite (the name the factory is given).
  explicit TCompositeConverter(std::string description);

  bool Open(const TMediaInfo& info) override;
  bool Fill(size_t count) override;
  void Seek(double ms) override;

 protected:
  ~TCompositeConverter() override;

 private:
  struct TItem;
  enum class TItemState { Waiting, Opened, Active, Finished };

  static bool OpenItem(TItem& item);
  static bool Place(TItem& item, double begin_ms);
  void MixBlock();
  void ActivateDueItems();
  void MixItem(TItem& item);
  void ApplyMaster();
  void AppendClipped();
  void OpenUpcomingItems();
  int64_t TotalBytes() const;

  std::string FDescription;
  TCompositeParams FParams;
  std::vector<TItem> FItems;
  // Indexes into FItems by timeline position, and the first one still waiting.
  std::vector<size_t> FByTime;
  size_t FNextWaiting = 0;
  std::vector<int64_t> FSums;
  // Output position in bytes of the standard stream.
  int64_t FPositionBytes = 0;
};

// Registers the composite probe and converter (for InstallAudioDecoders).
void RegisterCompositeDecoder();

}  // namespace orv
