// The input vocabulary shared by the platform layer, the input mapping and the engine:
// virtual-key codes as the shows' key bindings number them, the modifier state bits, and
// the mouse's buttons and events.
#pragma once

#include <cstdint>

namespace orv {

// Virtual-key codes (the numbering show files and key maps use).
namespace vk {
inline constexpr int kBack = 8;
inline constexpr int kTab = 9;
inline constexpr int kReturn = 13;
inline constexpr int kPause = 19;
inline constexpr int kEscape = 27;
inline constexpr int kSpace = 32;
inline constexpr int kPageUp = 33;
inline constexpr int kPageDown = 34;
inline constexpr int kEnd = 35;
inline constexpr int kHome = 36;
inline constexpr int kLeft = 37;
inline constexpr int kUp = 38;
inline constexpr int kRight = 39;
inline constexpr int kDown = 40;
inline constexpr int kDelete = 46;
inline constexpr int kLetterA = 65;  // 'A' … 'Z' are 65 … 90
inline constexpr int kF1 = 112;
inline constexpr int kBrowserBack = 166;
inline constexpr int kBrowserForward = 167;
inline constexpr int kMediaNextTrack = 176;
inline constexpr int kMediaPrevTrack = 177;
inline constexpr int kMediaStop = 178;
inline constexpr int kMediaPlayPause = 179;
// Codes from here on have no binding.
inline constexpr int kCount = 256;
}  // namespace vk

// The modifier state of key and mouse events.
namespace modifier {
inline constexpr std::uint8_t kWindows = 1;
inline constexpr std::uint8_t kShift = 2;
inline constexpr std::uint8_t kAlt = 4;
inline constexpr std::uint8_t kCtrl = 8;
inline constexpr std::uint8_t kLeftButton = 16;
inline constexpr std::uint8_t kRightButton = 32;
inline constexpr std::uint8_t kMiddleButton = 64;
// The keys a binding looks at: a held Windows key never matters.
inline constexpr std::uint8_t kShiftAltCtrl = kShift | kAlt | kCtrl;
}  // namespace modifier

// Key event kinds.
inline constexpr int kKeyDown = 1;
inline constexpr int kKeyUp = 2;

// The button of a mouse event.
enum class TMouseButton : std::uint8_t { None = 0, Left = 1, Right = 4, Middle = 5 };

// Where a mouse event says the pointer is once it has left the window.
inline constexpr int kPointerOutside = 2147483647;

// A double click arrives as a down followed by a double click.
enum class TMouseEvent : std::uint8_t { Move = 0, Down = 1, Up = 2, DoubleClick = 3 };

}  // namespace orv
