#pragma once
// Window-manager hints Qt has no setting for.
class QWidget;

namespace vm::ui {

// Asks the window manager to list the window in no taskbar (_NET_WM_STATE_SKIP_TASKBAR). Before
// the window is mapped the hint goes into its _NET_WM_STATE property, which the window manager
// reads when it maps the window; AMapped: the window is mapped and managed, and the hint goes as
// a request to the window manager. The window manager drops the state whenever the window is
// withdrawn (hidden), possibly only after the next showing began, so a window shown again asks
// both ways. Does nothing off X11.
void RequestSkipTaskbar(QWidget& AWindow, bool AMapped = false);

} // namespace vm::ui
