// The X11 side of scripts/bench. Every time is taken on the monotonic clock at the moment this
// process learns of the event, so that no helper's start-up is counted:
//   start   DIR NAME -- PROGRAM ARGS...   exec to the first copied text recorded
//   capture DIR NAME COUNT GAP_MS         owner change (XFixes) to the text recorded, per copy
//   copy    DIR NAME FILE MIME            owner change to the file's content (a picture) recorded
//   burst   COUNT GAP_MS                  sets COUNT texts GAP_MS apart, serving every read
//   popup   TITLE COUNT                   Alt+C press to a window titled TITLE active and mapped
//   paste   TITLE COUNT TARGET_LOG        Return in that window to the text in the target
// "Recorded" is a file of the folder DIR whose name starts with NAME and ends in ".dat" being
// replaced or closed after writing.
// Figures go to stdout as "ms <value>" lines; diagnostics go to stderr.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

long long NowNs() {
  timespec Now{};
  clock_gettime(CLOCK_MONOTONIC, &Now);
  return Now.tv_sec * 1000000000LL + Now.tv_nsec;
}

void PrintMs(long long ANs) { std::printf("ms %.3f\n", static_cast<double>(ANs) / 1e6); }

// A clipboard owner of its own, offering one UTF-8 text, and a watcher of every owner change.
class TClipboardOwner {
public:
  explicit TClipboardOwner(Display* ADisplay) : FDisplay(ADisplay) {
    FWindow = XCreateSimpleWindow(FDisplay, DefaultRootWindow(FDisplay), 0, 0, 1, 1, 0, 0, 0);
    FClipboard = Intern("CLIPBOARD");
    FTargets = Intern("TARGETS");
    FUtf8 = Intern("UTF8_STRING");
    FTextPlainUtf8 = Intern("text/plain;charset=utf-8");
    FTextPlain = Intern("text/plain");
    int ErrorBase = 0;
    if (!XFixesQueryExtension(FDisplay, &FFixesEventBase, &ErrorBase)) {
      std::fprintf(stderr, "no XFixes\n");
      std::exit(2);
    }
    XFixesSelectSelectionInput(FDisplay, FWindow, FClipboard, XFixesSetSelectionOwnerNotifyMask);
    XFlush(FDisplay);
  }

  // Takes the clipboard with AText; returns when the server has announced the new owner.
  long long Take(const std::string& AText) {
    FText = AText;
    FOffered = {FUtf8, FTextPlainUtf8, FTextPlain, XA_STRING};
    return TakeOwnership();
  }
  // The same with one picture of type AMime ("image/png").
  long long TakeData(std::string AData, const char* AMime) {
    FText = std::move(AData);
    FOffered = {Intern(AMime)};
    return TakeOwnership();
  }

  // Serves the clipboard's readers until ADeadline, or until AStop says so after an event.
  template <class TStop> bool ServeUntil(long long ADeadline, int AOtherFd, TStop AStop) {
    while (NowNs() < ADeadline) {
      while (XPending(FDisplay)) {
        XEvent Event;
        XNextEvent(FDisplay, &Event);
        Handle(Event);
      }
      pollfd Fds[2] = {{ConnectionNumber(FDisplay), POLLIN, 0}, {AOtherFd, POLLIN, 0}};
      const int Left = static_cast<int>((ADeadline - NowNs()) / 1000000) + 1;
      poll(Fds, AOtherFd >= 0 ? 2 : 1, Left > 0 ? Left : 0);
      if (AOtherFd >= 0 && (Fds[1].revents & POLLIN) && AStop()) return true;
    }
    return false;
  }

private:
  long long TakeOwnership() {
    XSetSelectionOwner(FDisplay, FClipboard, FWindow, CurrentTime);
    XFlush(FDisplay);
    while (true) {
      XEvent Event;
      XNextEvent(FDisplay, &Event);
      const long long Seen = NowNs();
      if (IsOwnerChange(Event) && reinterpret_cast<XFixesSelectionNotifyEvent&>(Event).owner == FWindow) return Seen;
      Handle(Event);
    }
  }

  ::Atom Intern(const char* AName) { return XInternAtom(FDisplay, AName, False); }
  bool IsOwnerChange(const XEvent& AEvent) const {
    return AEvent.type == FFixesEventBase + XFixesSelectionNotify;
  }

  void Handle(XEvent& AEvent) {
    if (AEvent.type != SelectionRequest) return;
    const XSelectionRequestEvent& Request = AEvent.xselectionrequest;
    XSelectionEvent Reply{};
    Reply.type = SelectionNotify;
    Reply.display = Request.display;
    Reply.requestor = Request.requestor;
    Reply.selection = Request.selection;
    Reply.target = Request.target;
    Reply.time = Request.time;
    Reply.property = Request.property == None ? Request.target : Request.property;
    if (Request.target == FTargets) {
      std::vector<Atom> Targets{FTargets};
      Targets.insert(Targets.end(), FOffered.begin(), FOffered.end());
      XChangeProperty(FDisplay, Request.requestor, Reply.property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(Targets.data()), static_cast<int>(Targets.size()));
    } else if (std::find(FOffered.begin(), FOffered.end(), Request.target) != FOffered.end()) {
      // One property of up to the server's request size (16 MB with BIG-REQUESTS): the test
      // pictures stay well below it, so no incremental transfer is needed.
      XChangeProperty(FDisplay, Request.requestor, Reply.property, Request.target, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(FText.data()), static_cast<int>(FText.size()));
    } else {
      Reply.property = None;
    }
    XSendEvent(FDisplay, Request.requestor, False, 0, reinterpret_cast<XEvent*>(&Reply));
    XFlush(FDisplay);
  }

  Display* FDisplay;
  Window FWindow;
  Atom FClipboard, FTargets, FUtf8, FTextPlainUtf8, FTextPlain;
  int FFixesEventBase = 0;
  std::string FText;
  std::vector<Atom> FOffered;
};

// Replacements and completed writes of one file name in one folder.
class TFileWatch {
public:
  TFileWatch(const char* AFolder, std::string AName) : FName(std::move(AName)) {
    FFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (inotify_add_watch(FFd, AFolder, IN_MOVED_TO | IN_CLOSE_WRITE) < 0) {
      std::perror(AFolder);
      std::exit(2);
    }
  }
  int Fd() const { return FFd; }
  // Reads what is queued; true when the file was among it.
  bool Seen() {
    alignas(inotify_event) char Buffer[8192];
    bool Found = false;
    ssize_t Length;
    while ((Length = read(FFd, Buffer, sizeof Buffer)) > 0) {
      for (char* P = Buffer; P < Buffer + Length;) {
        const auto* Event = reinterpret_cast<const inotify_event*>(P);
        if (Event->len > 0 && IsWatched(Event->name)) Found = true;
        P += sizeof(inotify_event) + Event->len;
      }
    }
    return Found;
  }

private:
  // The file itself, never the temporary one it is written under first ("NAME.tmp",
  // "NAME.XXXXXX"): a name that starts with NAME and ends in ".dat".
  bool IsWatched(std::string_view AName) const {
    return AName.starts_with(FName) && AName.ends_with(".dat");
  }

  int FFd;
  std::string FName;
};

// A text of 220 bytes that differs from every other one the run sets.
std::string BenchText(int AIndex) {
  std::string Text = "bench text " + std::to_string(AIndex) + " " + std::to_string(NowNs()) + " ";
  while (Text.size() < 220) Text += "lorem ipsum dolor sit amet ";
  Text.resize(220);
  return Text;
}

int Start(Display* ADisplay, char** AArgs, int ACount) {
  if (ACount < 4 || std::strcmp(AArgs[2], "--") != 0) return 1;
  TClipboardOwner Owner(ADisplay);
  TFileWatch Watch(AArgs[0], AArgs[1]);
  const long long Begin = NowNs();
  const pid_t Child = fork();
  if (Child == 0) {
    execvp(AArgs[3], AArgs + 3);
    _exit(127);
  }
  std::fprintf(stderr, "pid %d\n", static_cast<int>(Child));
  // A new text every 20 ms until one is recorded: the program can only record a change that
  // comes after its watch is up.
  for (int I = 0; NowNs() - Begin < 30000000000LL; ++I) {
    Owner.Take(BenchText(I));
    if (Owner.ServeUntil(NowNs() + 20000000, Watch.Fd(), [&] { return Watch.Seen(); })) {
      PrintMs(NowNs() - Begin);
      // Readers still asking for the text get it before this owner goes.
      Owner.ServeUntil(NowNs() + 300000000, -1, [] { return false; });
      return 0;
    }
  }
  std::fprintf(stderr, "nothing recorded in 30 s\n");
  return 3;
}

int Capture(Display* ADisplay, char** AArgs, int ACount) {
  if (ACount != 4) return 1;
  TClipboardOwner Owner(ADisplay);
  TFileWatch Watch(AArgs[0], AArgs[1]);
  const int Copies = std::atoi(AArgs[2]);
  const long long Gap = std::atoll(AArgs[3]) * 1000000LL;
  int Missed = 0;
  for (int I = 0; I < Copies; ++I) {
    Watch.Seen(); // forget writes that belong to no copy of this run
    const long long Owned = Owner.Take(BenchText(I));
    if (Owner.ServeUntil(Owned + 3000000000LL, Watch.Fd(), [&] { return Watch.Seen(); }))
      PrintMs(NowNs() - Owned);
    else
      ++Missed;
    Owner.ServeUntil(Owned + Gap, -1, [] { return false; });
  }
  std::printf("missed %d\n", Missed);
  return 0;
}

int CopyFile(Display* ADisplay, char** AArgs, int ACount) {
  if (ACount != 4) return 1;
  TClipboardOwner Owner(ADisplay);
  TFileWatch Watch(AArgs[0], AArgs[1]);
  std::ifstream In(AArgs[2], std::ios::binary);
  std::string Data((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
  const long long Owned = Owner.TakeData(std::move(Data), AArgs[3]);
  if (!Owner.ServeUntil(Owned + 20000000000LL, Watch.Fd(), [&] { return Watch.Seen(); })) {
    std::printf("missed 1\n");
    return 0;
  }
  PrintMs(NowNs() - Owned);
  Owner.ServeUntil(NowNs() + 200000000, -1, [] { return false; });
  return 0;
}

int Burst(Display* ADisplay, char** AArgs, int ACount) {
  if (ACount != 2) return 1;
  TClipboardOwner Owner(ADisplay);
  const int Copies = std::atoi(AArgs[0]);
  const long long Gap = std::atoll(AArgs[1]) * 1000000LL;
  for (int I = 0; I < Copies; ++I) {
    const long long Owned = Owner.Take(BenchText(I));
    Owner.ServeUntil(Owned + Gap, -1, [] { return false; });
  }
  Owner.ServeUntil(NowNs() + 2000000000LL, -1, [] { return false; });
  return 0;
}

// --- Windows and keys ------------------------------------------------------------------------

std::string WindowTitle(Display* ADisplay, Window AWindow) {
  Atom Type;
  int Format;
  unsigned long Count, After;
  unsigned char* Data = nullptr;
  std::string Title;
  const Atom NetWmName = XInternAtom(ADisplay, "_NET_WM_NAME", False);
  if (XGetWindowProperty(ADisplay, AWindow, NetWmName, 0, 1024, False, AnyPropertyType, &Type, &Format, &Count,
                         &After, &Data) == Success &&
      Data) {
    Title.assign(reinterpret_cast<char*>(Data), Count);
    XFree(Data);
  }
  return Title;
}

Window ActiveWindow(Display* ADisplay) {
  const Atom NetActive = XInternAtom(ADisplay, "_NET_ACTIVE_WINDOW", False);
  Atom Type;
  int Format;
  unsigned long Count, After;
  unsigned char* Data = nullptr;
  Window Active = None;
  if (XGetWindowProperty(ADisplay, DefaultRootWindow(ADisplay), NetActive, 0, 1, False, XA_WINDOW, &Type, &Format,
                         &Count, &After, &Data) == Success &&
      Data) {
    if (Count == 1) Active = *reinterpret_cast<Window*>(Data);
    XFree(Data);
  }
  return Active;
}

bool IsActiveAndMapped(Display* ADisplay, const std::string& ATitle) {
  const Window Active = ActiveWindow(ADisplay);
  if (Active == None) return false;
  XWindowAttributes Attributes{};
  if (!XGetWindowAttributes(ADisplay, Active, &Attributes) || Attributes.map_state != IsViewable) return false;
  return WindowTitle(ADisplay, Active).find(ATitle) != std::string::npos;
}

// Waits for the active window to satisfy AWanted; returns the time it was seen, or nothing.
template <class TWanted> std::optional<long long> WaitActive(Display* ADisplay, long long ADeadline, TWanted AWanted) {
  while (NowNs() < ADeadline) {
    if (AWanted()) return NowNs();
    while (XPending(ADisplay)) {
      XEvent Event;
      XNextEvent(ADisplay, &Event);
    }
    pollfd Fd{ConnectionNumber(ADisplay), POLLIN, 0};
    poll(&Fd, 1, 1);
  }
  return std::nullopt;
}

// Presses a key, with Alt held when asked; returns the time the press left for the server.
long long PressKey(Display* ADisplay, KeySym AKey, bool AAlt) {
  const KeyCode Alt = XKeysymToKeycode(ADisplay, XK_Alt_L);
  const KeyCode Key = XKeysymToKeycode(ADisplay, AKey);
  if (AAlt) XTestFakeKeyEvent(ADisplay, Alt, True, CurrentTime);
  XTestFakeKeyEvent(ADisplay, Key, True, CurrentTime);
  XFlush(ADisplay);
  const long long Pressed = NowNs();
  XTestFakeKeyEvent(ADisplay, Key, False, CurrentTime);
  if (AAlt) XTestFakeKeyEvent(ADisplay, Alt, False, CurrentTime);
  XFlush(ADisplay);
  return Pressed;
}

void WatchActiveWindow(Display* ADisplay) {
  XSelectInput(ADisplay, DefaultRootWindow(ADisplay), PropertyChangeMask);
  XFlush(ADisplay);
}

// Opens the window with Alt+C; the time from the press to it being active and mapped, or nothing.
std::optional<long long> OpenPopup(Display* ADisplay, const std::string& ATitle) {
  const long long Pressed = PressKey(ADisplay, XK_c, true);
  const auto Seen = WaitActive(ADisplay, Pressed + 5000000000LL, [&] { return IsActiveAndMapped(ADisplay, ATitle); });
  if (!Seen) return std::nullopt;
  return *Seen - Pressed;
}

int Popup(Display* ADisplay, char** AArgs, int ACount) {
  if (ACount != 2) return 1;
  const std::string Title = AArgs[0];
  const int Rounds = std::atoi(AArgs[1]);
  WatchActiveWindow(ADisplay);
  int Missed = 0;
  for (int I = 0; I < Rounds; ++I) {
    if (const auto Latency = OpenPopup(ADisplay, Title)) PrintMs(*Latency);
    else ++Missed;
    PressKey(ADisplay, XK_Escape, false);
    WaitActive(ADisplay, NowNs() + 2000000000LL, [&] { return !IsActiveAndMapped(ADisplay, Title); });
    usleep(200000);
  }
  std::printf("missed %d\n", Missed);
  return 0;
}

// The last time the paste target printed, after AAfter.
std::optional<long long> TargetChangedAfter(const char* ALog, long long AAfter) {
  std::ifstream In(ALog);
  std::string Line;
  std::optional<long long> Found;
  while (std::getline(In, Line)) {
    const long long At = std::atoll(Line.c_str());
    if (At > AAfter) return At;
  }
  return Found;
}

int Paste(Display* ADisplay, char** AArgs, int ACount) {
  if (ACount != 3) return 1;
  const std::string Title = AArgs[0];
  const int Rounds = std::atoi(AArgs[1]);
  const char* TargetLog = AArgs[2];
  WatchActiveWindow(ADisplay);
  int Missed = 0;
  for (int I = 0; I < Rounds; ++I) {
    if (!OpenPopup(ADisplay, Title)) {
      ++Missed;
      PressKey(ADisplay, XK_Escape, false);
      continue;
    }
    usleep(100000); // the list is filled and the window settled, as under a user's hand
    const long long Pressed = PressKey(ADisplay, XK_Return, false);
    std::optional<long long> Arrived;
    while (!Arrived && NowNs() < Pressed + 5000000000LL) {
      usleep(1000);
      Arrived = TargetChangedAfter(TargetLog, Pressed);
    }
    if (Arrived) PrintMs(*Arrived - Pressed);
    else ++Missed;
    usleep(300000);
  }
  std::printf("missed %d\n", Missed);
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  Display* TheDisplay = XOpenDisplay(nullptr);
  if (!TheDisplay) {
    std::fprintf(stderr, "no display\n");
    return 2;
  }
  setvbuf(stdout, nullptr, _IOLBF, 0);
  const std::string Mode = argc > 1 ? argv[1] : "";
  int Result = 1;
  if (Mode == "start") Result = Start(TheDisplay, argv + 2, argc - 2);
  else if (Mode == "capture") Result = Capture(TheDisplay, argv + 2, argc - 2);
  else if (Mode == "copy") Result = CopyFile(TheDisplay, argv + 2, argc - 2);
  else if (Mode == "burst") Result = Burst(TheDisplay, argv + 2, argc - 2);
  else if (Mode == "popup") Result = Popup(TheDisplay, argv + 2, argc - 2);
  else if (Mode == "paste") Result = Paste(TheDisplay, argv + 2, argc - 2);
  if (Result == 1) std::fprintf(stderr, "usage: see the head of bench/tools/x11_probe.cpp\n");
  XCloseDisplay(TheDisplay);
  return Result;
}
