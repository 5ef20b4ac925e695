// Modal message boxes. Without a display to show them on, the caption and the text go to
// stderr, so a player started from a shell or a test still says what went wrong.
#pragma once

#include <string_view>

namespace orv {

class TPlatformWindow;

enum class TMessageIcon { Exclamation, Information };

// Blocks until the user closes the box. Line breaks in `text` may be "\r", "\n" or both.
// `owner` may be null.
void ShowMessageBox(const TPlatformWindow* owner, std::string_view text, std::string_view caption,
                    TMessageIcon icon = TMessageIcon::Exclamation);

}  // namespace orv
