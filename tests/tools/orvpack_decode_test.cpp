// Runs the built orvpack decode on WAV files written by the test.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "orvpack_runner.h"

namespace {

using orv::test::Quoted;
using orv::test::RunOrvpack;
using orv::test::WriteFixture;

std::string Le(uint32_t value, int bytes) {
  std::string text;
  for (int i = 0; i < bytes; ++i) text += char(value >> (8 * i));
  return text;
}

// 16-bit stereo PCM at 44100 Hz: the header orvpack writes, too.
std::string Wav(const std::string& data) {
  return "RIFF" + Le(36 + data.size(), 4) + "WAVEfmt " + Le(16, 4) + Le(1, 2) + Le(2, 2) + Le(44100, 4) +
         Le(176400, 4) + Le(4, 2) + Le(16, 2) + "data" + Le(data.size(), 4) + data;
}

// One second of a ramp, different on each side.
std::string Ramp() {
  std::string data;
  for (uint32_t frame = 0; frame < 44100; ++frame) data += Le(frame * 3, 2) + Le(65535 - frame, 2);
  return data;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class OrvpackDecode : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(FFolder);
    FInput = WriteFixture(FName + "/ramp.wav", Wav(Ramp()));
  }
  void TearDown() override { std::filesystem::remove_all(FFolder); }

  std::string Out() const { return FFolder + "/out.wav"; }
  // The files in the folder besides the input: nothing half-written may stay behind.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(FFolder))
      if (entry.path().filename() != "ramp.wav") names.push_back(entry.path().filename().string());
    return names;
  }

  const std::string FName = "orvpack_decode_" + std::to_string(::getpid());
  const std::string FFolder = ::testing::TempDir() + "/" + FName;
  std::string FInput;
};

TEST_F(OrvpackDecode, WritesTheSoundAsStandardWav) {
  ASSERT_EQ(RunOrvpack("decode " + Quoted(FInput) + " " + Quoted(Out())).exit_code, 0);
  EXPECT_EQ(Read(Out()), Wav(Ramp()));
  EXPECT_EQ(Leftovers(), std::vector<std::string>{"out.wav"});
}

TEST_F(OrvpackDecode, FromAndToCutTheSoundOnWholeFrames) {
  struct {
    const char* options;
    size_t first_frame, frames;
  } cases[] = {
      {"--from 250 --to 500", 11025, 11025},
      {"--from 9 --to 10.5", 396, 67},    // floor(9 x 44.1) to floor(10.5 x 44.1)
      {"--from 900", 39690, 4410},        // to the end of the data
      {"--to 2000", 0, 44100},            // past the end: the data is all there is
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    ASSERT_EQ(RunOrvpack("decode " + Quoted(FInput) + " " + Quoted(Out()) + " " + c.options).exit_code, 0);
    EXPECT_EQ(Read(Out()), Wav(Ramp().substr(c.first_frame * 4, c.frames * 4)));
  }
}

TEST_F(OrvpackDecode, BadFilesExitWithTheReasonAndLeaveNothingBehind) {
  WriteFixture(FName + "/out.wav", "kept");
  // A WAV file the media library cannot read either (it reads some our probe refuses,
  // as the player does): the reason given is the WAV probe's.
  const std::string damaged = WriteFixture(FName + "/damaged.wav", Wav(Ramp()).replace(20, 2, Le(0x1234, 2)));
  const std::string text = WriteFixture(FName + "/notes.txt", "not a sound");
  struct {
    std::string arguments;
    const char* message;
  } cases[] = {
      {Quoted(damaged) + " " + Quoted(Out()), "unsupported format tag 4660"},
      {Quoted(text) + " " + Quoted(Out()), "no decoder recognises the file"},
      {Quoted(FFolder + "/missing.wav") + " " + Quoted(Out()), "missing.wav"},
      {Quoted(FInput) + " " + Quoted(Out()) + " --from 500 --to 100", "usage"},
      {Quoted(FInput) + " " + Quoted(Out()) + " --from -5", "usage"},
      {Quoted(FInput), "usage"},
  };
  const std::string err = FFolder + "/err.txt";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const orv::test::TToolRun run = RunOrvpack("decode " + c.arguments, err);
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(Read(Out()), "kept");
    std::filesystem::remove(err);
  }
  std::filesystem::remove(damaged);
  std::filesystem::remove(text);
  EXPECT_EQ(Leftovers(), std::vector<std::string>{"out.wav"});
}

}  // namespace
