// Animated GIF pictures played as video: frames composed on a canvas of the picture's
// screen size with their disposals, every tenth composition kept for jumps.
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/stream.h"
#include "image/gif_reader.h"
#include "image/picture_limits.h"
#include "video/frame_source.h"

namespace orv {

struct TGifFrameData {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  int Disposal = 0;
  double DelayMs = 0;
  int64_t StreamPosition = 0;  // of the frame's first block
  bool KeyFrame = false;
};

class TGifVideoSource : public TFrameSource {
 public:
  // Every tenth frame is a key frame whose starting canvas may be kept.
  static constexpr int kKeyFrameStep = 10;
  // What the kept canvases of one source may take together.
  static constexpr size_t kKeyFrameCacheBytes = size_t(96) << 20;

  // Null unless the picture is an animated GIF (one with the looping extension).
  static Ref<TGifVideoSource> Open(StreamPtr stream, const std::string& name);

  bool GetFrameAsYUV(int64_t index, TYUVImage& target) override;

  // The GIF frame shown at video frame `index`.
  size_t GifFrameOf(int64_t index) const;
  const std::vector<TGifFrameData>& Frames() const noexcept { return FFrames; }
  // Canvases composed again after being dropped from the cache, for the tests.
  int64_t KeyFramesComposedAgain() const noexcept { return FComposedAgain; }

 private:
  using TCanvas = std::vector<uint32_t>;
  struct TCachedKeyFrame {
    size_t Frame;
    TCanvas Canvas;  // the canvas the key frame is drawn onto
    TPictureMemory Memory;
  };

  TGifVideoSource(TVideoParams params, StreamPtr stream, std::vector<TGifFrameData> frames, int loops,
                  std::string name);
  void ComposeUpTo(size_t frame);
  void StartFrom(size_t key_frame);
  // Disposes of the canvas' frame and draws the next one.
  void Advance();
  void DrawFrame(size_t frame);
  void ClearRect(const TGifFrameData& frame);
  void RememberKeyFrame(size_t frame);
  const TCachedKeyFrame* CachedKeyFrameAtOrBefore(size_t frame);

  StreamPtr FStream;
  std::vector<TGifFrameData> FFrames;
  std::vector<double> FEnds;  // running sum of the delays
  int FLoops;                 // 0: endless
  std::string FName;
  std::unique_ptr<TGifReader> FReader;
  TCanvas FCanvas;
  TCanvas FBeforeFrame;  // the canvas before its frame was drawn, for disposal 3
  TPictureMemory FCanvasMemory;  // both canvases' share of the picture budget
  std::optional<size_t> FCanvasFrame;
  std::list<TCachedKeyFrame> FKeyFrames;  // most recently used first
  std::vector<bool> FComposed;            // key frames composed once
  int64_t FComposedAgain = 0;
};

}  // namespace orv
