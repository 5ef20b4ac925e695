// Small JPEG files made by FFmpeg and tagged by exiftool, as cameras and photo tools tag
// them, for tests of picture metadata.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace orv::test {

// The bytes of a 16 × 16 JPEG tagged with `tags` (exiftool arguments; none: untagged).
inline std::string TaggedJpeg(const std::string& name, const std::string& tags) {
  namespace fs = std::filesystem;
  const fs::path path = fs::temp_directory_path() / ("orv_tagged_" + std::to_string(getpid()) + "_" + name + ".jpg");
  const std::string make = "ffmpeg -loglevel error -y -f lavfi -i color=c=red:s=16x16 -frames:v 1 '" + path.string() + "'";
  EXPECT_EQ(std::system(make.c_str()), 0);
  if (!tags.empty()) {
    const std::string tag = "exiftool -q -overwrite_original " + tags + " '" + path.string() + "'";
    EXPECT_EQ(std::system(tag.c_str()), 0);
  }
  std::ifstream file(path, std::ios::binary);
  std::stringstream bytes;
  bytes << file.rdbuf();
  fs::remove(path);
  return bytes.str();
}

}  // namespace orv::test
