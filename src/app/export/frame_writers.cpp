#include "app/export/frame_writers.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "app/export/png_encoder.h"
#include "app/export/video_writer.h"
#include "base/exceptions.h"

namespace orv {
namespace {

std::string CannotWrite(const std::string& path, int error) {
  return "Cannot write \"" + path + "\": " + std::strerror(error);
}

// A file opened for writing whose every failure is raised with the file's name.
class TOutputFile {
public:
  explicit TOutputFile(std::string path) : FPath(std::move(path)), FFile(std::fopen(FPath.c_str(), "wb")) {
    if (!FFile) throw EFileError(CannotWrite(FPath, errno));
  }
  // A file never closed is unfinished: it goes.
  ~TOutputFile() { Delete(); }
  TOutputFile(const TOutputFile&) = delete;
  TOutputFile& operator=(const TOutputFile&) = delete;

  void Write(const uint8_t* bytes, size_t size) {
    if (std::fwrite(bytes, 1, size, FFile) != size) throw EFileError(CannotWrite(FPath, errno));
  }
  void Close() {
    std::FILE* file = std::exchange(FFile, nullptr);
    if (file && std::fclose(file) != 0) throw EFileError(CannotWrite(FPath, errno));
  }
  void Delete() {
    if (!FFile) return;
    std::fclose(std::exchange(FFile, nullptr));
    std::remove(FPath.c_str());
  }

private:
  std::string FPath;
  std::FILE* FFile;
};

class TPngFileWriter : public TFrameWriter {
public:
  explicit TPngFileWriter(const std::string& path) : FFile(path) {}
  void Write(const TBitmap& frame) override {
    const std::vector<uint8_t> png = FEncoder.Encode(frame);
    FFile.Write(png.data(), png.size());
  }
  void Close() override { FFile.Close(); }
  void Abandon() override { FFile.Delete(); }

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
    if (access(FFolder.c_str(), W_OK) != 0) throw EFileError(CannotWrite(FFolder, errno));
  }
  void Write(const TBitmap& frame) override {
    const std::vector<uint8_t> png = FEncoder.Encode(frame);
    TOutputFile file(SequenceFrameName(FFolder, FIndex++));
    file.Write(png.data(), png.size());
    file.Close();
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
    const TBitmap& pixels = bgra ? *bgra : frame;
    for (int y = 0; y < pixels.Height(); ++y) FFile.Write(pixels.Row(y), size_t(pixels.Width()) * 4);
  }
  void Close() override { FFile.Close(); }
  // Whole frames stay readable.
  void Abandon() override { FFile.Close(); }

private:
  TOutputFile FFile;
};

class TVideoFileWriter : public TFrameWriter {
public:
  TVideoFileWriter(const std::string& path, double fps) : FVideo(path, fps) {}
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

std::unique_ptr<TFrameWriter> CreateFrameWriter(const TExportSettings& settings) {
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
  return std::make_unique<TVideoFileWriter>(settings.Output, settings.Fps);
}

}  // namespace orv
