// An action to perform: a key, a click on a slide object, the navigation panel or a slide's
// end all come down to one of these.
#pragma once

#include <cstdint>

#include "base/text.h"

namespace orv {

struct TOrvActionInfo {
  static constexpr std::uint8_t kNone = 0;
  static constexpr std::uint8_t kRunApp = 10;
  static constexpr std::uint8_t kGoToTime = 19;

  std::uint8_t Kind = kNone;
  std::int32_t Number = 0;  // a slide index or a time in ms
  WideString Text;
};

}  // namespace orv
