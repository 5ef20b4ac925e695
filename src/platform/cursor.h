// The mouse cursor over the player's windows, and where the pointer is.
#pragma once

namespace orv {

enum class TCursorShape { Arrow, Hand, Hidden };

// Changes the cursor only when the shape differs from the last one set.
void SetCursorShape(TCursorShape shape);

// The pointer's position on the desktop.
void GlobalCursorPosition(int& x, int& y);

}  // namespace orv
