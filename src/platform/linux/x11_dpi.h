#pragma once
// The DPI of an X display, as X11 desktops publish it: the user's setting Xft.dpi in the X
// resources (the RESOURCE_MANAGER property of the first screen's root window, which xrdb and the
// desktops' settings daemons write), else the physical DPI of the X screen (its width in pixels
// over its width in millimetres, as the server reports it). Both belong to the display, so every
// monitor of one display has the same DPI.
#include <QAbstractNativeEventFilter>

#include <functional>
#include <optional>
#include <string_view>

struct xcb_connection_t;

namespace vm {

// Xft.dpi from the text of the X resources (lines "name:\tvalue"), rounded; nullopt when it is
// missing or not a positive number.
std::optional<int> XftDpiFromResources(std::string_view AResources);
// APixels over AMillimetres as dots per inch, rounded; 0 when the size is unknown.
int PhysicalDpi(int APixels, int AMillimetres);
// The display's DPI over AConnection; 0 when there is no connection or neither source answers.
int X11DisplayDpi(xcb_connection_t* AConnection);
// The same over Qt's own connection; 0 off X11.
int X11DisplayDpi();

// Calls AOnChange, from Qt's event dispatch, whenever the X resources change (a session that
// changes Xft.dpi rewrites them); Qt itself does not tell its screens. Does nothing off X11.
class TX11ResourceWatcher final : public QAbstractNativeEventFilter {
public:
  explicit TX11ResourceWatcher(std::function<void()> AOnChange);
  ~TX11ResourceWatcher() override;
  TX11ResourceWatcher(const TX11ResourceWatcher&) = delete;
  TX11ResourceWatcher& operator=(const TX11ResourceWatcher&) = delete;

  bool nativeEventFilter(const QByteArray& AEventType, void* AMessage, qintptr* AResult) override;

private:
  std::function<void()> FOnChange;
};

} // namespace vm
