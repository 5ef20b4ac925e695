// Action texts as shows write them ("nextslide", "gotoslide(3)", "runapp("notepad.exe")")
// and the mouse options' texts ("Next slide"), turned into action records.
#pragma once

#include "base/action_info.h"
#include "base/text.h"

namespace orv {

// Matches the text without regard to case and cuts arguments from it as written. A text
// that names no action, or one too short or without an argument where it needs one, is no
// action (kind 0). "gotoslide(N)" gives the slide index N (0 = the first slide), or −1
// with the text between the brackets as a slide identifier when it is no number.
TOrvActionInfo ParseAction(WideView text);

// The texts of "opt_leftmouse", "opt_rightmouse" and "opt_dblclick", compared exactly:
// "Exit", "Next slide", "Prev. slide", "Help", "Pause", "Go to first"; anything else is
// no action.
TOrvActionInfo MouseOptionAction(WideView text);

}  // namespace orv
