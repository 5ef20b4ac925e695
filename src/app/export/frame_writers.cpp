#include "app/export/frame_writers.h"

#include <cstdio>
#include <filesystem>

#include "app/export/output_file.h"
#include "app/export/png_encoder.h"
#include "app/export/video_writer.h"
#include "base/exceptions.h"

namespace orv {
namespace {

// Contiguous rows go out in one write; a frame's rows are usually contiguous.
void WriteRows(TOutputFile& file, const TBitmap& pixels) {
  const size_t row_bytes = size_t(pixels.Width()) * 4;
  if (pixels.Stride() == ptrdiff_t(row_bytes)) {
    file.Write(pixels.Row(0), row_bytes * size_t(pixels.Height()));
    return;
  }
  for (int y = 0; y < pixels.Height(); ++y) file.Write(pixels.Row(y), row_bytes);
}

class TPngFileWriter : public TFrameWriter {
public:
  explicit TPngFileWriter(const std::string& path) : FFile(path) {}
  void Write(const TBitmap& frame) override {
    const std::vector<uint8_t> png = FEncoder.Encode(frame);
    FFile.Write(png.data(), png.size());
  }
  void Close() override { FFile.Commit(); }
  void Abandon() override { FFile.Discard(); }

private:
  TOutputFile FFile;
  TPngEncoder FEncoder;
};

class TPngSequenceWriter : public TFrameWriter {
public:
  explicit TPngSequenceWriter(std::string folder) : FFolder(std::move(folder)) {
    std::error_code error;
    std::filesystem::create_directories(FFolder, error);
    if (error) throw EFileError("Cannot make the folder \"" + FFolder + "\": " + error.message());
  }
  void Write(const TBitmap& frame) override {
    const std::vector<uint8_t> png = FEncoder.Encode(frame);
    TOutputFile file(SequenceFrameName(FFolder, FIndex++));
    file.Write(png.data(), png.size());
    file.Commit();
  }
  // Every picture written is complete in itself and kept.
  void Close() override {}
  void Abandon() override {}

private:
  std::string FFolder;
  TPngEncoder FEncoder;
  int64_t FIndex = 0;
};

class TRawWriter : public TFrameWriter {
public:
  explicit TRawWriter(const std::string& path) : FFile(path) {}
  void Write(const TBitmap& frame) override {
    const Ref<TBitmap> bgra = &frame.Format() == &pf::A8R8G8B8 ? Ref<TBitmap>() : frame.ConvertTo(pf::A8R8G8B8);
    WriteRows(FFile, bgra ? *bgra : frame);
  }
  void Close() override { FFile.Commit(); }
  void Abandon() override { FFile.Discard(); }

private:
  TOutputFile FFile;
};

class TVideoFileWriter : public TFrameWriter {
public:
  TVideoFileWriter(const std::string& path, double fps, std::unique_ptr<TExportAudio> audio)
      : FVideo(path, fps, std::move(audio)) {}
  void Write(const TBitmap& frame) override { FVideo.Write(frame); }
  void Close() override { FVideo.Close(); }
  void Abandon() override { FVideo.Abandon(); }

private:
  TVideoWriter FVideo;
};

}  // namespace

std::string SequenceFrameName(const std::string& folder, int64_t index) {
  char name[32];
  std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(index));
  return folder + name;
}

void CheckOutput(const TExportSettings& settings) {
  if (settings.Kind == TOutputKind::PngSequence) {
    CheckOutputFolder(settings.Output);
  } else {
    CheckOutputFile(settings.Output);
  }
}

std::unique_ptr<TFrameWriter> CreateFrameWriter(const TExportSettings& settings, std::unique_ptr<TExportAudio> audio) {
  switch (settings.Kind) {
    case TOutputKind::Snapshot:
      return std::make_unique<TPngFileWriter>(settings.Output);
    case TOutputKind::PngSequence:
      return std::make_unique<TPngSequenceWriter>(settings.Output);
    case TOutputKind::Raw:
      return std::make_unique<TRawWriter>(settings.Output);
    case TOutputKind::Video:
      break;
  }
  return std::make_unique<TVideoFileWriter>(settings.Output, settings.Fps, std::move(audio));
}

}  // namespace orv
