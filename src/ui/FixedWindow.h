#pragma once
// Top-level windows of a fixed size: a title bar with the system menu, minimise and close,
// and no maximise button (the window manager would otherwise offer to maximise a window
// that cannot grow). The size itself is fixed by the window (setFixedSize or a fixed-size
// layout), which gives the window manager equal minimum and maximum sizes. GUI thread only.

#include <Qt>

inline Qt::WindowFlags FixedWindowFlags(Qt::WindowType type = Qt::Window) {
  return type | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
         Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
}
