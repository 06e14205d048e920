#pragma once
// The X connection that Qt's xcb platform opened, and a scoped trap for the errors of requests
// made through it. Requests made on Qt's connection deliver their events (key presses of a
// grab, for instance) to Qt's event loop, where a native event filter sees them.
//
// Xlib's own header defines macros (None, Bool, KeyPress, ...) that collide with Qt's; it is
// included by the .cpp files only, after every Qt header.
typedef struct _XDisplay Display;

namespace vm {

// Qt's Xlib display, or nullptr when the program does not run on the xcb platform (offscreen,
// wayland) or before the application object exists.
Display* QtX11Display();

// Collects the errors of the requests made while it lives instead of letting them reach the
// default handler (which would ignore or abort). Xlib reports an error only once the server has
// answered a later request, so Sync() makes that round trip. Only one trap at a time: the
// program has one user-interface thread and traps are never nested.
class TX11ErrorTrap {
public:
  explicit TX11ErrorTrap(Display* ADisplay);
  ~TX11ErrorTrap();
  TX11ErrorTrap(const TX11ErrorTrap&) = delete;
  TX11ErrorTrap& operator=(const TX11ErrorTrap&) = delete;

  // Round trip to the server; the code of the first error seen since the trap was set or since
  // the previous Sync (0: none), which it then forgets.
  int Sync();

private:
  Display* FDisplay;
  void (*FPreviousHandler)();
};

} // namespace vm
