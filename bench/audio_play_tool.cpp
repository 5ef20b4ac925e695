// audio_play_tool PROJECT SECONDS: plays a show's sound live for SECONDS with the music player
// alone (no pictures) on the sound card SDL picks, then prints the processor seconds the
// process used and the longest the audio callback took, in ms.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "audio/audio_decoders.h"
#include "project/ini_file.h"
#include "show/music_player.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace orv;
  if (argc != 3) {
    std::fprintf(stderr, "usage: audio_play_tool PROJECT SECONDS\n");
    return 2;
  }
  InstallAudioDecoders();
  std::ifstream file(argv[1], std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  auto project = MakeRef<TIniFile>();
  if (!project->LoadFromBytes(text)) {
    std::fprintf(stderr, "audio_play_tool: cannot read %s\n", argv[1]);
    return 2;
  }
  TOrvMusicPlayer player(MakeRef<TOrvSource>(project));
  if (!player.Output()) {
    std::fprintf(stderr, "audio_play_tool: no sound device\n");
    return 1;
  }
  player.Start();
  player.Reposition(TOrvMusicPlayer::kNoLimit, 0);
  while (!player.Ready()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  player.SetPlaying(true);
  std::this_thread::sleep_for(std::chrono::duration<double>(std::atof(argv[2])));
  const double cpu = CpuSeconds();
  std::printf("%.3f %.3f\n", cpu, double(player.Output()->Device().WorstRenderNanoseconds()) / 1e6);
  return 0;
}
