#include "video/gif_video_source.h"

#include <algorithm>
#include <cmath>

#include "base/exceptions.h"
#include "base/log.h"
#include "image/picture_limits.h"

namespace orv {
namespace {

// A GIF without a delay is shown for this long.
constexpr double kDefaultDelayMs = 50;
// Frames of a GIF that loops endlessly.
constexpr int64_t kEndlessFrameCount = 1000000;

double DelayOf(const TGifControl& control) { return control.delay == 0 ? kDefaultDelayMs : control.delay * 10.0; }

// Reads every frame's place, timing and disposal; a damaged frame ends the list there.
std::vector<TGifFrameData> WalkFrames(TStream& stream, TGifReader& reader) {
  std::vector<TGifFrameData> frames;
  try {
    for (;;) {
      const int64_t position = stream.Position();
      TGifFrame frame;
      if (!reader.ReadFrame(frame)) break;
      const bool key = frames.size() % TGifVideoSource::kKeyFrameStep == 0;
      frames.push_back(TGifFrameData{frame.left, frame.top, frame.width, frame.height, frame.control.disposal,
                                     DelayOf(frame.control), position, key});
    }
  } catch (const Exception& e) {
    Log().Write(std::string("GIF frames end early: ") + e.what());
  }
  return frames;
}

TVideoParams ParamsOf(const TGifScreen& screen, const std::vector<TGifFrameData>& frames, int loops) {
  double smallest = 1000;
  double total = 0;
  for (const TGifFrameData& frame : frames) {
    smallest = std::min(smallest, frame.DelayMs);
    total += frame.DelayMs;
  }
  TVideoParams params;
  params.Width = screen.width;
  params.Height = screen.height;
  params.Fps = 1000 / smallest;
  // Every pass is counted, so that a GIF played n times stops on its last frame.
  params.FrameCount = loops > 0 ? std::max<int64_t>(1, std::llround(loops * total / smallest)) : kEndlessFrameCount;
  params.HasAlpha = true;
  params.CodecName = "GIF";
  return params;
}

int64_t CanvasBytes(const TVideoParams& params) { return int64_t(params.Width) * params.Height * 4; }

bool HasDisposalToPrevious(const std::vector<TGifFrameData>& frames) {
  return std::any_of(frames.begin(), frames.end(), [](const TGifFrameData& frame) { return frame.Disposal == 3; });
}

}  // namespace

Ref<TGifVideoSource> TGifVideoSource::Open(StreamPtr stream, const std::string& name) {
  if (!stream) return nullptr;
  try {
    stream->SetPosition(0);
    auto reader = std::make_unique<TGifReader>(*stream);
    std::vector<TGifFrameData> frames = WalkFrames(*stream, *reader);
    const std::optional<int> loops = reader->LoopCount();
    const TGifScreen screen = reader->Screen();
    if (!loops || frames.empty() || !PictureSizeAllowed(screen.width, screen.height)) return nullptr;
    TVideoParams params = ParamsOf(screen, frames, *loops);
    Ref<TGifVideoSource> source = Ref<TGifVideoSource>::Adopt(
        new TGifVideoSource(std::move(params), std::move(stream), std::move(frames), *loops, name));
    source->FReader = std::move(reader);
    return source;
  } catch (const Exception& e) {
    Log().Write("GIF " + name + " not played: " + e.what());
    return nullptr;
  }
}

TGifVideoSource::TGifVideoSource(TVideoParams params, StreamPtr stream, std::vector<TGifFrameData> frames, int loops,
                                 std::string name)
    : TFrameSource(std::move(params)),
      FStream(std::move(stream)),
      FFrames(std::move(frames)),
      FLoops(loops),
      FName(std::move(name)),
      FCanvasMemory(CanvasBytes(Params()) * (HasDisposalToPrevious(FFrames) ? 2 : 1)),
      FComposed(FFrames.size(), false) {
  double end = 0;
  for (const TGifFrameData& frame : FFrames) FEnds.push_back(end += frame.DelayMs);
}

size_t TGifVideoSource::GifFrameOf(int64_t index) const {
  const double total = FEnds.back();
  double ms = double(std::max<int64_t>(index, 0)) / Params().Fps * 1000;
  if (FLoops >= 1 && ms / total >= FLoops) {
    ms = total;
  } else {
    ms = std::fmod(ms, total);
  }
  const auto shown = std::upper_bound(FEnds.begin(), FEnds.end(), ms);
  return shown == FEnds.end() ? FFrames.size() - 1 : size_t(shown - FEnds.begin());
}

bool TGifVideoSource::GetFrameAsYUV(int64_t index, TYUVImage& target) {
  if (target.Form() != TYUVImage::TForm::RGBA) {
    Log().Write("RGBA data not found");
    return false;
  }
  try {
    ComposeUpTo(GifFrameOf(index));
  } catch (const Exception& e) {
    Log().Write("GIF frame " + std::to_string(index) + " of " + FName + ": " + e.what());
    FCanvasFrame.reset();
    return false;
  }
  CopyIntoPlane(reinterpret_cast<const uint8_t*>(FCanvas.data()), Params().Width * 4, Params().Width, Params().Height, 4,
                target, TYUVImage::kPlaneRGBA);
  target.FrameComplete();
  SetCurrentFrame(index);
  return true;
}

void TGifVideoSource::ComposeUpTo(size_t frame) {
  const TCachedKeyFrame* key = CachedKeyFrameAtOrBefore(frame);
  // Going on from the canvas is cheaper unless a kept key frame lies between.
  const bool go_on = FCanvasFrame && *FCanvasFrame <= frame && (!key || key->Frame <= *FCanvasFrame);
  if (!go_on) {
    FCanvas = key ? key->Canvas : TCanvas(size_t(Params().Width) * size_t(Params().Height), 0);
    const size_t start = key ? key->Frame : 0;
    DrawFrame(start);
    FCanvasFrame = start;
  }
  while (*FCanvasFrame < frame) Advance();
}

void TGifVideoSource::Advance() {
  const size_t previous = *FCanvasFrame;
  const TGifFrameData& shown = FFrames[previous];
  if (shown.Disposal == 2) {
    ClearRect(shown);
  } else if (shown.Disposal == 3) {
    FCanvas = FBeforeFrame;
  }
  const size_t next = previous + 1;
  if (FFrames[next].KeyFrame) RememberKeyFrame(next);
  DrawFrame(next);
  FCanvasFrame = next;
}

void TGifVideoSource::ClearRect(const TGifFrameData& frame) {
  const int width = Params().Width;
  const int left = std::min(frame.Left, width);
  const int right = std::min(frame.Left + frame.Width, width);
  const int bottom = std::min(frame.Top + frame.Height, Params().Height);
  for (int y = frame.Top; y < bottom; ++y) {
    const auto row = FCanvas.begin() + std::ptrdiff_t(y) * width;
    std::fill(row + left, row + right, 0u);
  }
}

void TGifVideoSource::DrawFrame(size_t index) {
  const TGifFrameData& data = FFrames[index];
  if (data.Disposal == 3) FBeforeFrame = FCanvas;
  FStream->SetPosition(data.StreamPosition);
  TGifFrame frame;
  if (!FReader->ReadFrame(frame)) return;
  const int width = Params().Width;
  if (frame.left >= width) return;
  const int height = Params().Height;
  for (int stored = 0; int64_t(stored) * frame.width < frame.decoded_pixels; ++stored) {
    const int y = frame.RowOfStoredRow(stored);
    const int screen_y = frame.top + y;
    if (screen_y >= height) continue;
    const int64_t count = std::min<int64_t>(frame.width, frame.decoded_pixels - int64_t(stored) * frame.width);
    const int columns = int(std::min<int64_t>(count, width - frame.left));
    const uint8_t* indexes = &frame.indexes[size_t(y) * size_t(frame.width)];
    uint32_t* row = &FCanvas[size_t(screen_y) * size_t(width) + size_t(frame.left)];
    for (int x = 0; x < columns; ++x) {
      const uint32_t colour = frame.palette[indexes[x]];
      if (colour >> 24) row[x] = colour;
    }
  }
}

void TGifVideoSource::RememberKeyFrame(size_t frame) {
  const size_t bytes = FCanvas.size() * sizeof(uint32_t);
  if (bytes > kKeyFrameCacheBytes) return;
  for (const TCachedKeyFrame& kept : FKeyFrames)
    if (kept.Frame == frame) return;
  if (FComposed[frame]) {
    Log().Write("Twice Extracting KeyFrame#" + std::to_string(frame) + " at " + FName);
    ++FComposedAgain;
  }
  FComposed[frame] = true;
  while (!FKeyFrames.empty() && (FKeyFrames.size() + 1) * bytes > kKeyFrameCacheBytes) FKeyFrames.pop_back();
  try {
    TPictureMemory memory{int64_t(bytes)};
    FKeyFrames.push_front(TCachedKeyFrame{frame, FCanvas, std::move(memory)});
  } catch (const EPictureRefused&) {
    // Pictures need the memory more: this key frame is composed again when asked for.
  }
}

const TGifVideoSource::TCachedKeyFrame* TGifVideoSource::CachedKeyFrameAtOrBefore(size_t frame) {
  auto best = FKeyFrames.end();
  for (auto kept = FKeyFrames.begin(); kept != FKeyFrames.end(); ++kept)
    if (kept->Frame <= frame && (best == FKeyFrames.end() || kept->Frame > best->Frame)) best = kept;
  if (best == FKeyFrames.end()) return nullptr;
  FKeyFrames.splice(FKeyFrames.begin(), FKeyFrames, best);  // most recently used
  return &FKeyFrames.front();
}

}  // namespace orv
