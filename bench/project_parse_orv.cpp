// The project side of the project_parse bench (see project_parse.sh).
//   project_parse_orv generate FILE SLIDES   writes a show project of that many slides
//   project_parse_orv FILE ROUNDS            parses it into the tree and looks up every
//                                            slide's keys; prints the best round's CPU seconds
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "base/stream.h"
#include "project/ini_file.h"

namespace {

using namespace orv;

std::string SlideSection(int slide) { return "Slide" + std::to_string(slide); }

// Roughly what an authoring tool writes for a picture slide with a caption, a sound and a
// few key points: about 2.2 KB of text in 90 lines.
void WriteSlide(std::string& out, int slide) {
  const std::string n = std::to_string(slide);
  out += "[" + SlideSection(slide) + "]\r\n";
  out += "SlideName=Slide " + n + "\r\nPers_EndAction=\r\nbstyle=1\r\nbcolor=" + std::to_string(slide * 7919 % 16777216) +
         "\r\nbsize=100\r\nCustomEffBg=0\r\nEffectName=dissolve\r\nEffectTime=1500\r\nSlideTime=5000\r\n"
         "SoundComment=\r\nMusicVolume=100\r\n"
         "Description=Evening walk along the harbour, day " + n + " of the trip, with the old lighthouse and the boats\r\n"
         "Keywords=holiday,summer,sea,harbour,lighthouse,boats,evening,walk,family,friends,sunset,day " + n + "\r\n";
  out += "object Container:Root\r\n";
  out += "  object Image1:TImage\r\n"
         "    FileName=C:\\Users\\Author\\Pictures\\Holiday 2024\\IMG_" + n + ".jpg\r\n"
         "    Position=0.5,0.5\r\n    Size=1920,1080\r\n    Scale=100\r\n    Angle=0\r\n    Opacity=100\r\n"
         "    Blur=0\r\n    Visible=1\r\n    Crop=0,0,1,1\r\n    Filters=\r\n    MaskMode=0\r\n    ZOrder=1\r\n";
  for (int k = 1; k <= 5; ++k)
    out += "    object KeyPoint" + std::to_string(k) + ":KeyPoint\r\n      Time=" + std::to_string(k * 1000) +
           "\r\n      Position=0." + std::to_string(40 + k) + ",0.5\r\n      Scale=" + std::to_string(100 + k * 3) +
           ".25\r\n      Angle=" + std::to_string(k) + ".5\r\n      Opacity=100\r\n      Smooth=1\r\n    end\r\n";
  out += "  end\r\n";
  out += "  object Text1:TText\r\n    Text=Day " + n + "\\nA caption with a few words about the picture\r\n"
         "    FontName=Arial\r\n    FontStyle=Bold,Italic\r\n    Color=255,255,255\r\n    Align=1\r\n"
         "    LineSpacing=0\r\n    Position=0.5,0.9\r\n    Scale=100\r\n    ShadowColor=#000000,128\r\n"
         "  end\r\n";
  out += "  object Sound1:TSound\r\n    FileName=C:\\Users\\Author\\Music\\Holiday 2024\\Track " + n +
         " - Summer evening by the sea.mp3\r\n    Volume=80\r\n    FadeIn=500\r\n    FadeOut=1500\r\n"
         "    Loop=0\r\n  end\r\n";
  out += "end\r\n; end of slide " + n + ", written by the authoring tool\r\n\r\n";
}

std::string GenerateProject(int slides) {
  std::string out = "\xEF\xBB\xBF[Main]\r\nprojectname=Generated show\r\nopt_scr_width=1920\r\nopt_scr_height=1080\r\n"
                    "opt_repeat=repeat\r\nMinorVersion=13\r\n[Times]\r\nopt_slidescount=" +
                    std::to_string(slides) + "\r\n";
  for (int slide = 1; slide <= slides; ++slide)
    out += "opt_synchpos" + std::to_string(slide) + "=" + std::to_string(slide * 5000) + "\r\n";
  for (int slide = 1; slide <= slides; ++slide) WriteSlide(out, slide);
  return out;
}

// Looks every key of a list and of its objects up by name, as slide loaders do. `lists` is
// scratch space, kept by the caller.
size_t LookUpAllKeys(const TIniList& top, std::vector<const TIniList*>& lists) {
  size_t value_bytes = 0;
  lists.assign(1, &top);
  while (!lists.empty()) {
    const TIniList* list = lists.back();
    lists.pop_back();
    for (const auto& item : list->Items()) {
      if (item->IsKey()) value_bytes += ReadUtf8(list->FindKey(item->Name())).size();
      if (item->IsObject()) lists.push_back(list->FindObject(item->Name()));
    }
  }
  return value_bytes;
}

// The tree is handed back so that freeing it stays out of the measured time. The reader
// takes over the buffer it is given, as it does when it reads a stream.
size_t ParseAndLookUp(std::string&& bytes, Ref<TIniFile>& project, int& slides) {
  project = MakeRef<TIniFile>();
  if (!project->LoadFromBuffer(std::move(bytes))) std::exit(2);
  slides = ReadInteger(*project, "Times", "opt_slidescount", 0);
  size_t value_bytes = 0;
  std::vector<const TIniList*> lists;
  for (int slide = 1; slide <= slides; ++slide)
    if (const TIniSection* section = project->FindSection(SlideSection(slide)))
      value_bytes += LookUpAllKeys(*section, lists);
  return value_bytes;
}

// CPU time of this thread: the machine may be busy with other work while we measure.
double ThreadSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "generate") {
    const std::string text = GenerateProject(std::atoi(argv[3]));
    TFileStream(argv[2], TFileMode::Create).WriteBuffer(text.data(), text.size());
    return 0;
  }
  if (argc != 3) {
    std::fprintf(stderr, "usage: project_parse_orv generate FILE SLIDES | project_parse_orv FILE ROUNDS\n");
    return 2;
  }
  const std::string bytes = TFileStream(argv[1], TFileMode::OpenRead).ReadAll();
  double best = 1e30;
  size_t value_bytes = 0;
  int slides = 0;
  for (int round = std::atoi(argv[2]); round > 0; --round) {
    Ref<TIniFile> project;
    std::string buffer = bytes;
    const double start = ThreadSeconds();
    value_bytes = ParseAndLookUp(std::move(buffer), project, slides);
    best = std::min(best, ThreadSeconds() - start);
  }
  std::printf("%.6f %zu %d\n", best, value_bytes, slides);
  return 0;
}
