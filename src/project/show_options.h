// The show-wide settings of a project: every key of its "Main" section that the player
// reads, and the shared keys of its "Times" section, read once with their defaults. Other
// code takes its settings from here rather than looking the keys up itself.
//
// A value that cannot be read (not a number, not "0"/"1", not UTF-8) takes its default.
// Where parts of the player read one key with different defaults, each reading has its own
// field, named after its use.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "base/ref_object.h"
#include "base/text.h"
#include "project/ini_file.h"

namespace orv {

// opt_repeat: "repeat", "close", "stop" in any case; anything else repeats.
enum class TRepeatMode { Repeat, Close, Stop };

// opt_cp: where the navigation panel sits; anything else is Center.
enum class TPanelPosition { LeftTop, Top, RightTop, Right, RightBottom, Bottom, LeftBottom, Left, Center };

struct TShowOptions {
  // Reads the options of `project`; a project without "Main" or "Times" gives the defaults.
  static TShowOptions Read(const TIniFile& project);

  // ---- Window, screen and display
  int32_t ScreenFull = 1;  // opt_scr_full: 1 full screen, else a window
  // opt_scr_width × opt_scr_height, read three ways:
  TIntPair WindowSize{640, 480};       // the window's size (main window, engine, slide loader)
  TIntPair FrameSize{1920, 1080};      // the frame of the show source and the transitions
  TIntPair ProducerProjectSize{0, 0};  // the slide producer's project size
  bool WithoutBorder = true;           // opt_withoutborder
  // opt_scr_caption, read two ways:
  WideString MainWindowCaption = u"OrvViewer v5.6";  // the main window's caption
  WideString LoaderCaption = u"OrvShow";             // a bordered window's caption; defaults to ProjectName
  WideString ProjectName = u"OrvShow";               // projectname
  bool NoExclusive = false;                          // opt_scr_noexclusive
  bool FullFixedSize = false;                        // opt_scr_fullfixedsize
  std::optional<double> ScreenRatio;                 // opt_scr_ratio; absent: the frame's own aspect
  int32_t MinorVersion = 13;                         // MinorVersion
  int32_t HiderColor = 0;                            // opt_scr_hidercolor, colour number, red in the low byte
  double UnsharpAmount = 0;                          // opt_scr_unsharpamount
  int32_t HideCursor = 0;                            // opt_hidecursor: 1 at once, 2 after an idle time
  int32_t CursorHideInterval = 0;                    // opt_hc2_hideinterval, seconds

  // ---- Playback
  TRepeatMode Repeat = TRepeatMode::Repeat;  // opt_repeat
  bool PauseWhenInactive = true;             // opt_pausewheninactive
  bool ManualShow = false;                   // opt_manualshow
  bool PermitControl = true;                 // opt_synchpermitcontrol
  bool LockWheel = false;                    // opt_lockwheel
  bool LockF1 = false;                       // opt_lockf1
  WideString LeftMouse;                      // opt_leftmouse
  WideString RightMouse;                     // opt_rightmouse
  WideString DoubleClick;                    // opt_dblclick
  bool ExitOnMove = false;                   // opt_exitonmove
  bool ScreenSaver = false;                  // opt_ssaver
  int32_t CustomDialogsCount = 0;            // opt_customdialogscount
  WideString PathToButtons;                  // PathToButtons

  // ---- Leaving the show and running programs
  WideString ExeFileName;               // opt_exefn
  int32_t RunAppOnExit = 0;             // opt_runapponexit: 0 nothing, 1 a program, 2 a presentation
  WideString RunAppOnExitFileName;      // opt_runapponexitfn
  bool RunAppOnExitIfLastSlide = true;  // opt_runapponexitiflastslide

  // ---- Navigation panel and logo
  bool ShowPanel = false;                                 // opt_fcp
  WideString NavIniFile;                                  // opt_nav_inifile
  TPanelPosition PanelPosition = TPanelPosition::Center;  // opt_cp
  double NavOffset = 0;                                   // opt_nav_offset, percent of half the area
  double NavViewScale = 10;                               // opt_nav_viewscale, percent of the area's height
  bool NavUseVideoScale = false;                          // opt_nav_usevideoscale
  bool NavShowBackground = false;                         // opt_nav_showbg
  int32_t NavHue = 0;                                     // opt_nav_hue, degrees
  int32_t NavHideInterval = 0;                            // opt_nav_hideinterval, seconds
  int32_t NavHideFadeOut = 1000;                          // opt_nav_hidefadeout, ms
  int32_t NavFadeIn = 500;                                // opt_nav_fadein, ms
  bool NavWindowArea = true;                              // opt_nav_wndbottom
  bool NavVideoExit = true;                               // opt_nav_videoexit
  bool HideNavBar = false;                                // opt_hidenavbar
  // opt_newnavbutton1 ... opt_newnavbutton<opt_newnavbuttons_count>, in order; entries that
  // are missing or empty are left out (the bar skips names it does not know).
  std::vector<WideString> NavButtons;
  bool Logo = false;          // opt_logo
  WideString LogoFileName;    // opt_logo_fn
  int32_t LogoPosition = 0;   // opt_logo_pos
  double LogoOpacity = 100;   // opt_logo_opacity, percent
  double LogoOffset = 0;      // opt_logo_offset, percent of half the frame
  double LogoSize = 10;       // opt_logo_size, percent of the frame height
  // A logo is shown only when it is switched on and names a picture.
  bool HasLogo() const noexcept { return Logo && !LogoFileName.empty(); }

  // ---- Show-wide slide background
  int32_t BackgroundStyle = 0;       // opt_bstyle: 1 colour, 2 picture, 3 gradient
  int32_t BackgroundColor = 0;       // opt_bcolor
  WideString BackgroundFileName;     // opt_bfn
  double BackgroundSize = 100;       // opt_bsize, percent
  int32_t BackgroundColorStyle = 0;  // opt_bcolorstyle
  int32_t BackgroundColor1 = 0;      // opt_bcolor1
  int32_t BackgroundColor2 = 0;      // opt_bcolor2

  // ---- Music and other media
  bool SyncMode = false;            // opt_syncmode
  bool FullyPlaySound = false;      // opt_fullyplaysound
  bool DisableMusicRandom = false;  // opt_disablemusicrandom
  WideString WmaPath;               // opt_wmapath
  WideString OggPath;               // opt_oggpath

  // ---- Project identity and files
  WideString OrvVersion;                                   // OrvVersion
  WideString ProjectFilePath;                              // ProjectFilePath
  bool CanRestore = false;                                 // CanRestore
  WideString PrintCaption = u"Print";                      // opt_lng_print_caption
  WideString PrintChangePrinter = u"Change Printer";       // opt_lng_print_label
  WideString PrintButton = u"Print";                       // opt_lng_print_button5
  WideString PrintSaveButton = u"Save";                    // opt_lng_print_button6
  WideString PrintOnlyMainImage = u"Only Main Image";      // opt_lng_print_button7

  // ---- Times
  int32_t SlideCount = 0;  // opt_slidescount
  // opt_synchpos<n>: the end time of slide n (from 1) on the show timeline, ms; 0 when
  // missing. Read on request, since only the slides that exist are asked for.
  int32_t SlideEndTime(int32_t slide_number) const;

private:
  Ref<TIniSection> FTimes;
};

// Before anything reads "Main": a screen saver (a program file ending in ".scr") sets
// opt_ssaver, clears opt_fcp, hides the cursor, plays full screen and repeats; any other
// program just clears opt_ssaver.
void ApplyScreenSaverOverrides(TIniFile& project, bool screen_saver);

}  // namespace orv
