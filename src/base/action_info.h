// An action to perform: a key, a click on a slide object, the navigation panel or a slide's
// end all come down to one of these.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace orv {

struct TOrvActionInfo {
  static constexpr std::uint8_t kNone = 0;
  static constexpr std::uint8_t kExit = 1;
  static constexpr std::uint8_t kPrevSlide = 2;
  static constexpr std::uint8_t kNextSlide = 3;
  static constexpr std::uint8_t kHelp = 4;
  static constexpr std::uint8_t kPause = 5;
  static constexpr std::uint8_t kPrint = 6;
  static constexpr std::uint8_t kGoToSlide = 7;  // Number: a slide index, or −1 with the slide's id in Text
  static constexpr std::uint8_t kOpenWebSite = 8;
  static constexpr std::uint8_t kWriteEmail = 9;
  static constexpr std::uint8_t kRunApp = 10;
  static constexpr std::uint8_t kRunAppAndExit = 11;
  static constexpr std::uint8_t kRunPresentation = 12;
  static constexpr std::uint8_t kStop = 13;  // rewind and pause
  static constexpr std::uint8_t kRunPresentationAndReturn = 14;
  static constexpr std::uint8_t kOpenDialog = 15;
  static constexpr std::uint8_t kCloseDialog = 16;
  static constexpr std::uint8_t kSaveSlide = 17;
  static constexpr std::uint8_t kChangePrinter = 18;
  static constexpr std::uint8_t kGoToTime = 19;  // Number: the time in ms
  // The navigation panel took the event: the main window does nothing more with it.
  static constexpr std::uint8_t kTakenByPanel = 20;

  std::uint8_t Kind = kNone;
  std::int32_t Number = 0;  // a slide index or a time in ms
  WideString Text;

  friend bool operator==(const TOrvActionInfo&, const TOrvActionInfo&) = default;
};

}  // namespace orv
