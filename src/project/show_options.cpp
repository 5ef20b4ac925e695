#include "project/show_options.h"

#include <map>

namespace orv {

namespace {

constexpr std::string_view kMain = "Main";
constexpr std::string_view kTimes = "Times";

// Reads keys of one section (which may be missing) with defaults; unreadable text also
// takes its default, as every other unreadable option does.
class TOptionReader {
public:
  explicit TOptionReader(const TIniSection* section) : FSection(section) {}

  const TIniItem* Key(std::string_view name) const { return FSection ? FSection->FindKey(name) : nullptr; }
  int32_t Int(std::string_view name, int32_t default_value) const { return ReadInteger(Key(name), default_value); }
  double Float(std::string_view name, double default_value) const { return ReadFloat(Key(name), default_value); }
  bool Bool(std::string_view name, bool default_value) const { return ReadBool(Key(name), default_value); }
  std::optional<double> OptionalFloat(std::string_view name) const {
    const TIniItem* key = Key(name);
    return key ? ParseFloat(key->Value()) : std::nullopt;
  }
  WideString Text(std::string_view name, WideView default_value = {}) const {
    WideString text;
    const TIniItem* key = Key(name);
    if (key && TryUtf8ToUtf16(key->Value(), text)) return text;
    return WideString(default_value);
  }
  TIntPair Size(TIntPair default_size) const {
    return {Int("opt_scr_width", default_size.First), Int("opt_scr_height", default_size.Second)};
  }
  template <class Enum>
  Enum Choice(std::string_view name, std::initializer_list<std::string_view> texts, Enum default_value) const {
    return static_cast<Enum>(ReadChoice(Key(name), texts, static_cast<int>(default_value), true));
  }

  // The texts of the keys prefix + 1 ... prefix + count, in order, leaving out missing and
  // empty ones. The section's keys are scanned once instead of looking up every number, so
  // that an absurd count costs nothing.
  std::vector<WideString> NumberedTexts(std::string_view prefix, int32_t count) const {
    std::map<int32_t, std::string_view> found;  // the last duplicate wins, as in lookups
    if (FSection)
      for (const TIniLineView& line : FSection->Lines())
        if (const auto number = NumberAfter(prefix, line.Name);
            line.Kind == TIniItemKind::Key && number > 0 && number <= count)
          found[number] = line.Value;
    std::vector<WideString> texts;
    for (const auto& [number, value] : found) {
      WideString text;
      if (TryUtf8ToUtf16(value, text) && !text.empty()) texts.push_back(std::move(text));
    }
    return texts;
  }

private:
  // n when `name` is `prefix` (without regard to case) followed by the decimal n, written
  // as a lookup of prefix + n would write it; else 0.
  static int32_t NumberAfter(std::string_view prefix, std::string_view name) {
    if (name.size() <= prefix.size() || !SameTextAscii(name.substr(0, prefix.size()), prefix)) return 0;
    const std::string_view digits = name.substr(prefix.size());
    if (digits[0] < '1' || digits[0] > '9') return 0;
    return ParseInteger(digits).value_or(0);
  }

  const TIniSection* FSection;
};

void ReadDisplay(const TOptionReader& main, TShowOptions& options) {
  options.ScreenFull = main.Int("opt_scr_full", 1);
  options.WindowSize = main.Size({640, 480});
  options.FrameSize = main.Size({1920, 1080});
  options.ProducerProjectSize = main.Size({0, 0});
  options.WithoutBorder = main.Bool("opt_withoutborder", true);
  options.ProjectName = main.Text("projectname", u"OrvShow");
  options.MainWindowCaption = main.Text("opt_scr_caption", u"OrvViewer v5.6");
  options.LoaderCaption = main.Text("opt_scr_caption", options.ProjectName);
  options.NoExclusive = main.Bool("opt_scr_noexclusive", false);
  options.FullFixedSize = main.Bool("opt_scr_fullfixedsize", false);
  options.ScreenRatio = main.OptionalFloat("opt_scr_ratio");
  options.MinorVersion = main.Int("MinorVersion", 13);
  options.HiderColor = main.Int("opt_scr_hidercolor", 0);
  options.UnsharpAmount = main.Float("opt_scr_unsharpamount", 0);
  options.HideCursor = main.Int("opt_hidecursor", 0);
  options.CursorHideInterval = main.Int("opt_hc2_hideinterval", 0);
}

void ReadPlayback(const TOptionReader& main, TShowOptions& options) {
  options.Repeat = main.Choice("opt_repeat", {"repeat", "close", "stop"}, TRepeatMode::Repeat);
  options.PauseWhenInactive = main.Bool("opt_pausewheninactive", true);
  options.ManualShow = main.Bool("opt_manualshow", false);
  options.PermitControl = main.Bool("opt_synchpermitcontrol", true);
  options.LockWheel = main.Bool("opt_lockwheel", false);
  options.LockF1 = main.Bool("opt_lockf1", false);
  options.LeftMouse = main.Text("opt_leftmouse");
  options.RightMouse = main.Text("opt_rightmouse");
  options.DoubleClick = main.Text("opt_dblclick");
  options.ExitOnMove = main.Bool("opt_exitonmove", false);
  options.ScreenSaver = main.Bool("opt_ssaver", false);
  options.CustomDialogsCount = main.Int("opt_customdialogscount", 0);
  options.PathToButtons = main.Text("PathToButtons");
  options.ExeFileName = main.Text("opt_exefn");
  options.RunAppOnExit = main.Int("opt_runapponexit", 0);
  options.RunAppOnExitFileName = main.Text("opt_runapponexitfn");
  options.RunAppOnExitIfLastSlide = main.Bool("opt_runapponexitiflastslide", true);
}

void ReadPanelAndLogo(const TOptionReader& main, TShowOptions& options) {
  options.ShowPanel = main.Bool("opt_fcp", false);
  options.NavIniFile = main.Text("opt_nav_inifile");
  options.PanelPosition = main.Choice("opt_cp",
                                      {"Left-Top", "Top", "Right-Top", "Right", "Right-Bottom", "Bottom",
                                       "Left-Bottom", "Left", "Center"},
                                      TPanelPosition::Center);
  options.NavOffset = main.Float("opt_nav_offset", 0);
  options.NavViewScale = main.Float("opt_nav_viewscale", 10);
  options.NavUseVideoScale = main.Bool("opt_nav_usevideoscale", false);
  options.NavShowBackground = main.Bool("opt_nav_showbg", false);
  options.NavHue = main.Int("opt_nav_hue", 0);
  options.NavHideInterval = main.Int("opt_nav_hideinterval", 0);
  options.NavHideFadeOut = main.Int("opt_nav_hidefadeout", 1000);
  options.NavFadeIn = main.Int("opt_nav_fadein", 500);
  options.NavWindowArea = main.Bool("opt_nav_wndbottom", true);
  options.NavVideoExit = main.Bool("opt_nav_videoexit", true);
  options.HideNavBar = main.Bool("opt_hidenavbar", false);
  options.NavButtons = main.NumberedTexts("opt_newnavbutton", main.Int("opt_newnavbuttons_count", 0));
  options.Logo = main.Bool("opt_logo", false);
  options.LogoFileName = main.Text("opt_logo_fn");
  options.LogoPosition = main.Int("opt_logo_pos", 0);
  options.LogoOpacity = main.Float("opt_logo_opacity", 100);
  options.LogoOffset = main.Float("opt_logo_offset", 0);
  options.LogoSize = main.Float("opt_logo_size", 10);
}

void ReadMediaAndIdentity(const TOptionReader& main, TShowOptions& options) {
  options.BackgroundStyle = main.Int("opt_bstyle", 0);
  options.BackgroundColor = main.Int("opt_bcolor", 0);
  options.BackgroundFileName = main.Text("opt_bfn");
  options.BackgroundSize = main.Float("opt_bsize", 100);
  options.BackgroundColorStyle = main.Int("opt_bcolorstyle", 0);
  options.BackgroundColor1 = main.Int("opt_bcolor1", 0);
  options.BackgroundColor2 = main.Int("opt_bcolor2", 0);
  options.SyncMode = main.Bool("opt_syncmode", false);
  options.FullyPlaySound = main.Bool("opt_fullyplaysound", false);
  options.DisableMusicRandom = main.Bool("opt_disablemusicrandom", false);
  options.WmaPath = main.Text("opt_wmapath");
  options.OggPath = main.Text("opt_oggpath");
  options.OrvVersion = main.Text("OrvVersion");
  options.ProjectFilePath = main.Text("ProjectFilePath");
  options.CanRestore = main.Bool("CanRestore", false);
  options.PrintCaption = main.Text("opt_lng_print_caption", u"Print");
  options.PrintChangePrinter = main.Text("opt_lng_print_label", u"Change Printer");
  options.PrintButton = main.Text("opt_lng_print_button5", u"Print");
  options.PrintSaveButton = main.Text("opt_lng_print_button6", u"Save");
  options.PrintOnlyMainImage = main.Text("opt_lng_print_button7", u"Only Main Image");
}

}  // namespace

TShowOptions TShowOptions::Read(const TIniFile& project) {
  TShowOptions options;
  const TOptionReader main(project.FindSection(kMain));
  ReadDisplay(main, options);
  ReadPlayback(main, options);
  ReadPanelAndLogo(main, options);
  ReadMediaAndIdentity(main, options);
  options.FTimes = Ref<TIniSection>::Share(project.FindSection(kTimes));
  options.SlideCount = TOptionReader(options.FTimes.Get()).Int("opt_slidescount", 0);
  return options;
}

int32_t TShowOptions::SlideEndTime(int32_t slide_number) const {
  return TOptionReader(FTimes.Get()).Int("opt_synchpos" + std::to_string(slide_number), 0);
}

void ApplyScreenSaverOverrides(TIniFile& project, bool screen_saver) {
  WriteBool(project, kMain, "opt_ssaver", screen_saver);
  if (!screen_saver) return;
  WriteBool(project, kMain, "opt_fcp", false);
  WriteInteger(project, kMain, "opt_hidecursor", 1);
  WriteInteger(project, kMain, "opt_scr_full", 1);
  WriteString(project, kMain, "opt_repeat", u"repeat");
}

}  // namespace orv
