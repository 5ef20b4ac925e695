// Running orvviewer's off-screen runs from the tests as a user would, on shows written by
// the tests, and reading back the frames they render.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace orv::test {

namespace fs = std::filesystem;

inline constexpr int kWidth = 160;
inline constexpr int kHeight = 90;
inline constexpr int kTolerance = 14;

struct TRgb {
  int R = 0, G = 0, B = 0;
};

inline std::string Text(const TRgb& c) {
  return "(" + std::to_string(c.R) + "," + std::to_string(c.G) + "," + std::to_string(c.B) + ")";
}

// "object Name:Class", its lines and "end".
inline std::string Block(const std::string& name_and_class, const std::string& lines) {
  return "object " + name_and_class + "\n" + lines + "end\n";
}

inline std::string Key(const std::string& lines) { return Block("Key:KeyPoint", lines); }

// A slide: its section's lines, its container's objects and its transition reference.
struct TSlide {
  std::string Lines;
  std::string Objects;
  std::string Effect;
};

// A slide of one background colour (a colour number, red in the low byte).
inline TSlide Coloured(int colour, const std::string& effect = "ref=quick\n") {
  return TSlide{"bstyle=1\nbcolor=" + std::to_string(colour) + "\n", "", effect};
}

// A slide of these objects on black.
inline TSlide Holding(const std::string& objects) { return TSlide{"bstyle=1\nbcolor=0\n", objects, "ref=quick\n"}; }

// A show of the test's frame size whose slides last `slide_ms` each.
inline std::string Show(const std::vector<TSlide>& slides, int slide_ms, const std::string& repeat = "close") {
  std::string text = "[Main]\nopt_scr_width=" + std::to_string(kWidth) + "\nopt_scr_height=" + std::to_string(kHeight) +
                     "\nopt_scr_full=0\nopt_repeat=" + repeat + "\n" +
                     Block("TheEffect:AnEffect", "time=1000\n" + Block("dissolve:dissolve", "checked=1\n"));
  std::string times = "[Times]\nopt_slidescount=" + std::to_string(slides.size()) + "\n";
  for (size_t i = 0; i < slides.size(); ++i) {
    const std::string number = std::to_string(i + 1);
    text += "[Slide" + number + "]\n" + slides[i].Lines + Block("TheEffect:AnEffect", slides[i].Effect) +
            Block("Container:Root", slides[i].Objects);
    times += "opt_synchpos" + number + "=" + std::to_string(int(i + 1) * slide_ms) + "\n";
  }
  return text + times;
}

// A BMP picture (32 bits a pixel, alpha 255) drawn by a function of the pixel's centre.
inline void WriteBmp(const fs::path& path, int width, int height, const std::function<TRgb(double, double)>& colour) {
  std::vector<uint8_t> bytes(54 + size_t(width) * height * 4);
  auto put32 = [&](size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(value >> (8 * i));
  };
  bytes[0] = 'B';
  bytes[1] = 'M';
  put32(2, uint32_t(bytes.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(width));
  put32(22, uint32_t(-height));  // top row first
  bytes[26] = 1;
  bytes[28] = 32;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const TRgb c = colour(x + 0.5, y + 0.5);
      uint8_t* pixel = &bytes[54 + (size_t(y) * width + x) * 4];
      pixel[0] = uint8_t(c.B);
      pixel[1] = uint8_t(c.G);
      pixel[2] = uint8_t(c.R);
      pixel[3] = 255;
    }
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Four quadrants of distinct colours, split at the picture's centre.
inline TRgb Quadrant(double x, double y) {
  const bool right = x >= kWidth / 2.0, bottom = y >= kHeight / 2.0;
  if (!bottom) return right ? TRgb{40, 200, 60} : TRgb{220, 40, 40};
  return right ? TRgb{230, 210, 40} : TRgb{40, 60, 220};
}

struct TFrame {
  int Width = 0, Height = 0;
  std::vector<uint8_t> Rgb;
  TRgb At(int x, int y) const {
    const uint8_t* p = &Rgb[(size_t(y) * Width + x) * 3];
    return {p[0], p[1], p[2]};
  }
};

inline bool ReadPng(const fs::path& path, TFrame& frame) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_RGB;
  frame.Width = int(image.width);
  frame.Height = int(image.height);
  frame.Rgb.resize(PNG_IMAGE_SIZE(image));
  return png_image_finish_read(&image, nullptr, frame.Rgb.data(), 0, nullptr) != 0;
}

// A point of the frame and the colour the show's definition gives it.
struct TProbe {
  int X, Y;
  TRgb Expected;
};

class OffscreenRunTest : public ::testing::Test {
protected:
  void SetUp() override {
    FFolder = fs::temp_directory_path() / ("orv-offscreen-" + std::to_string(getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(FFolder);
    fs::create_directories(FFolder / "tmp");
  }
  void TearDown() override { fs::remove_all(FFolder); }

  fs::path WriteProject(const std::string& text) {
    const fs::path path = FFolder / "show.orv";
    std::ofstream(path) << text;
    return path;
  }

  // Runs the program to its end (a minute at most); its stderr goes to FErrors.
  int Run(const std::vector<std::string>& switches) { return RunProgram(ORVVIEWER_PATH, switches); }

  // Runs any program so; its peak resident memory is left in FPeakKilobytes.
  int RunProgram(const std::string& program, const std::vector<std::string>& switches) {
    // The program draws off screen and plays no sound (unless a test sends it to SDL's
    // "disk" driver), whatever machine runs the tests.
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", FAudioDriver.c_str(), 1);
    std::vector<std::string> arguments = {program};
    arguments.insert(arguments.end(), switches.begin(), switches.end());
    const std::string errors = (FFolder / "stderr.txt").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // Started in the show's folder, as a user opening a loose project there would.
    posix_spawn_file_actions_addchdir_np(&actions, FFolder.c_str());
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    const int status = WaitFor(pid);
    std::ifstream file(errors);
    FErrors.assign(std::istreambuf_iterator<char>(file), {});
    return status;
  }

  // The frame at `ms` of the show, rendered at the show's own size.
  TFrame Snapshot(const std::string& project_text, double ms) {
    const fs::path project = WriteProject(project_text);
    const fs::path picture = FFolder / "frame.png";
    fs::remove(picture);
    TFrame frame;
    const int status = Run({"-filename", project.string(), "-snapshot", std::to_string(ms), picture.string()});
    EXPECT_EQ(status, 0) << FErrors;
    EXPECT_TRUE(ReadPng(picture, frame)) << "no picture at " << ms << " ms; " << FErrors;
    return frame;
  }

  // A frame of the show's own size with the colours of the probes.
  void ExpectProbes(const TFrame& frame, const std::vector<TProbe>& probes, const std::string& what) {
    ASSERT_EQ(frame.Width, kWidth) << what;
    ASSERT_EQ(frame.Height, kHeight) << what;
    ExpectColours(frame, probes, what);
  }

  void ExpectColours(const TFrame& frame, const std::vector<TProbe>& probes, const std::string& what) {
    for (const TProbe& probe : probes) {
      const TRgb got = frame.At(probe.X, probe.Y);
      const bool near = std::abs(got.R - probe.Expected.R) <= kTolerance &&
                        std::abs(got.G - probe.Expected.G) <= kTolerance &&
                        std::abs(got.B - probe.Expected.B) <= kTolerance;
      EXPECT_TRUE(near) << what << " at " << probe.X << "," << probe.Y << ": " << Text(got) << ", expected "
                        << Text(probe.Expected);
    }
  }

  fs::path FFolder;
  std::string FErrors;
  std::string FAudioDriver = "dummy";
  int64_t FPeakKilobytes = 0;

private:
  int WaitFor(pid_t pid) {
    for (int i = 0; i < 6000; ++i) {
      int status = 0;
      rusage usage{};
      if (wait4(pid, &status, WNOHANG, &usage) == pid) {
        FPeakKilobytes = usage.ru_maxrss;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
  }
};

}  // namespace orv::test
