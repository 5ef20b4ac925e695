// Clips made at test time by the ffmpeg program whose frame n is one flat colour that
// codes n, so that a test can tell from any pixel which frame it was given.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "video/media_library.h"

namespace orv {

// Frame n: luma (or red) 32 + 8 · (n mod 20), blue chroma (or green) 64 + 32 · (n div 20);
// steps wide enough for any encoder's rounding. Up to 100 frames. `reshape` is a filter
// applied after (",crop=..." for sizes the colour source does not make).
inline std::string CodedFrameFilter(const std::string& size, const std::string& rate, bool rgba,
                                    const std::string& reshape) {
  const std::string source = "color=c=black:s=" + size + ":r=" + rate;
  if (rgba) return source + ",format=rgba,geq=r='32+8*mod(N\\,20)':g='64+32*floor(N/20)':b=128:a=200" + reshape;
  return source + ",format=yuv420p,geq=lum='32+8*mod(N\\,20)':cb='64+32*floor(N/20)':cr=128" + reshape;
}

inline int FrameOfCode(int low, int high) {
  return int(std::lround((low - 32) / 8.0)) + 20 * int(std::lround((high - 64) / 32.0));
}

class TClipFolder {
 public:
  explicit TClipFolder(const std::string& purpose)
      : FFolder(std::filesystem::temp_directory_path() / ("orv_" + purpose + "_" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(FFolder);
  }
  ~TClipFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(FFolder, ignored);
  }

  // Runs ffmpeg with `arguments` writing `name` into the folder.
  void Make(const std::string& name, const std::string& arguments) const {
    const std::string command =
        "ffmpeg -hide_banner -loglevel error -nostdin -y " + arguments + " '" + PathOf(name) + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command << " (is the ffmpeg package installed?)";
  }
  // A clip of `frames` coded frames.
  void MakeCoded(const std::string& name, const std::string& size, const std::string& rate, int frames,
                 const std::string& encoding, bool rgba = false, const std::string& reshape = "") const {
    Make(name, "-f lavfi -i \"" + CodedFrameFilter(size, rate, rgba, reshape) + "\" -frames:v " + std::to_string(frames) +
                   " " + encoding);
  }
  std::string PathOf(const std::string& name) const { return (FFolder / name).string(); }
  std::string Bytes(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

 private:
  std::filesystem::path FFolder;
};

// A suite whose clips are made once and read by the media library of the build.
class MediaClipSuite : public testing::Test {
 protected:
  // From the suite's SetUpTestSuite, before it makes its clips.
  static void StartSuite(const std::string& purpose) {
    FClips = new TClipFolder(purpose);
    std::string error;
    FLibrary = TMediaLibrary::Load(ORV_MEDIA_LIBRARY_PATH, error);
    ASSERT_TRUE(FLibrary) << error;
  }
  static void TearDownTestSuite() {
    FLibrary.Reset();
    delete FClips;
    FClips = nullptr;
  }

  static inline TClipFolder* FClips = nullptr;
  static inline Ref<TMediaLibrary> FLibrary;
};

}  // namespace orv
