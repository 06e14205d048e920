#pragma once
// Window-manager hints Qt has no setting for.
#include <QByteArray>
#include <QMargins>

#include <optional>

class QWidget;

namespace vm::ui {

// Asks the window manager to list the window in no taskbar (_NET_WM_STATE_SKIP_TASKBAR). Before
// the window is mapped the hint goes into its _NET_WM_STATE property, which the window manager
// reads when it maps the window; AMapped: the window is mapped and managed, and the hint goes as
// a request to the window manager. The window manager drops the state whenever the window is
// withdrawn (hidden), possibly only after the next showing began, so a window shown again asks
// both ways. Does nothing off X11.
void RequestSkipTaskbar(QWidget& AWindow, bool AMapped = false);
// Whether the window's _NET_WM_STATE lists it in no taskbar, and whether a native event of the
// window tells that its _NET_WM_STATE changed (false off X11).
bool ListsSkipTaskbar(QWidget& AWindow);
bool IsWindowStateChange(QWidget& AWindow, const QByteArray& AEventType, void* AMessage);

// Motif window-manager hints of a window that may only be moved: a border and a title bar with no
// buttons and no window menu (functions: move; decorations: border and title). Qt's own hints for
// a title bar without buttons leave the decorations to the window manager, which then draws all
// its buttons. Set before the window is mapped; Qt writes the property only when the window is
// created or its flags change. Does nothing off X11.
void SetMoveOnlyFrameHints(QWidget& AWindow);

// Asks the window manager to announce the frame it will put around the window before it is ever
// mapped (_NET_REQUEST_FRAME_EXTENTS); it answers by setting the window's _NET_FRAME_EXTENTS,
// which FrameExtents then reads. A native event of the window for which IsFrameExtentsChange
// holds tells that the property changed. All do nothing (nullopt, false) off X11.
void RequestFrameExtents(QWidget& AWindow);
std::optional<QMargins> FrameExtents(QWidget& AWindow);
bool IsFrameExtentsChange(QWidget& AWindow, const QByteArray& AEventType, void* AMessage);

} // namespace vm::ui
