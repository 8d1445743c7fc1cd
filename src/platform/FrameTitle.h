#pragma once

class QWidget;

namespace order {

// A window without caption text. Qt gives a window with an empty title the
// program's name, which a window manager then shows in the frame; on X11
// the window's name properties are emptied instead. Call it once the window
// is shown (its native window exists); elsewhere it only empties the title.
void ClearFrameTitle(QWidget* window);

}  // namespace order
