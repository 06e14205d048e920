#pragma once
// In-memory implementations of every interface to the operating system, for driving
// TVellomarchFrm through whole flows without a desktop. They record what the core asked for and
// let a test stage what another program or the user would do.
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "fake_clock.h"
#include "listview/grid_geometry.h"
#include "platform/platform.h"

namespace vm::test {

// --- Clipboard -------------------------------------------------------------------------------

// Models the desktop clipboard the program was made for: numbered formats, registered names,
// open / empty / put / close, an update notification after every change, and another program
// that holds the clipboard open for a while.
class TFakeClipboard final : public IClipboard {
public:
  explicit TFakeClipboard(TFakeClock& AClock) : FClock(AClock) {}

  // --- What another program does ---
  // Replaces the whole content, as one write sequence of another program, and notifies.
  void StageText(const std::u16string& AText);
  void StageFiles(const std::vector<std::u16string>& APaths);
  void StagePng(const TBytes& APng);
  void StageBitmap(const TImage& AImage);
  // Adds one more format to the present content (no notification), e.g. an exclusion mark.
  void AddFormat(TClipFormat AFormat, const TBytes& AData = {});
  void AddFormat(const std::u16string& ARegisteredName, const TBytes& AData = {});
  void AddText(const std::u16string& AText) { FText = AText; }
  void AddBitmap(const TImage& AImage) { FBitmap = AImage; }
  // Another program keeps the clipboard open for AMilliseconds of the fake clock.
  void HoldOpenFor(long long AMilliseconds) { FHeldUntil = FClock.ElapsedMs + AMilliseconds; }
  // Makes the next writes of a format fail (SetData / SetBitmap throw, SetUnicodeText refuses).
  std::set<TClipFormat> RefusedFormats;
  bool BitmapReadFails = false;
  // Off: the reader refuses a text or file list above the bound before copying it, as the
  // desktops' readers do. On: it hands over any length, as a reader that cannot tell first.
  bool ReadsAnyLength = false;

  // --- What a test looks at ---
  std::function<void()> OnUpdate;        // called once per change, like the listener message
  int UpdateCount = 0;
  int OpenCount = 0, CloseCount = 0;     // successful opens and their closes
  int FailedOpenCount = 0;
  bool IsOpen() const { return FOpen; }
  // Formats put by the last write sequence of this program, in order.
  std::vector<TClipFormat> LastWriteFormats;
  const std::optional<std::u16string>& Text() const { return FText; }
  const std::optional<TImage>& Bitmap() const { return FBitmap; }
  std::optional<TBytes> Data(TClipFormat AFormat) const;
  // The paths of a CF_HDROP block put by the program, parsed back.
  std::vector<std::u16string> DroppedPaths() const;
  TClipFormat FormatId(const std::u16string& ARegisteredName) const;

  // --- IClipboard ---
  bool HasUnicodeText() override { return IsFormatAvailable(CF_UNICODETEXT_FORMAT); }
  std::u16string ReadUnicodeText() override;
  TClipFormat RegisterFormat(const std::u16string& AName) override;
  bool IsFormatAvailable(TClipFormat AFormat) override;
  bool Open() override;
  void Close() override;
  std::optional<TBytes> GetData(TClipFormat AFormat) override;
  std::optional<std::u16string> GetUnicodeText() override;
  std::optional<std::vector<std::u16string>> GetDroppedFiles() override;
  std::optional<TImage> GetBitmap() override;
  void Empty() override;
  void SetData(TClipFormat AFormat, const TBytes& AData) override;
  bool SetUnicodeText(const std::u16string& AText) override;
  void SetBitmap(const TImage& AImage) override;

private:
  void ClearContent();
  void Notify();
  bool HeldByOther() const { return FClock.ElapsedMs < FHeldUntil; }

  TFakeClock& FClock;
  std::map<std::u16string, TClipFormat> FRegistered;
  TClipFormat FNextFormat = 0xC000;
  std::optional<std::u16string> FText;
  std::optional<std::vector<std::u16string>> FFiles;
  std::optional<TImage> FBitmap;
  std::map<TClipFormat, TBytes> FData;
  long long FHeldUntil = 0;
  bool FOpen = false;
  bool FChangedWhileOpen = false;
};

// --- Imaging ---------------------------------------------------------------------------------

// A stand-in codec: "PNG" data is the PNG signature and header chunk start (the size as a real
// PNG states it), "FAKE" and the pixels (32-bit little endian). It refuses anything else, and
// checks the header before allocating, as the real ones must.
class TFakeImaging final : public IImaging {
public:
  static TBytes MakePng(const TImage& AImage);
  // A header that claims a size without carrying the pixels.
  static TBytes MakePngHeader(int AWidth, int AHeight);
  static TImage SolidImage(int AWidth, int AHeight, std::uint32_t AColour);

  int DecodeCount = 0, EncodeCount = 0, Md5Count = 0;
  std::set<std::u16string> UnreadableFiles; // LoadImageFile fails for these

  TImage DecodePng(const TBytes& AData) override;
  TBytes EncodePng(const TImage& AImage) override;
  TBytes Md5(const TBytes& AData) override;
  TImage Thumbnail(TImage AImage, int ASize) override;
  TBytes EncodeBmp24(const TImage& AImage) override;
  TImage DecodeBmp(const TBytes& AData) override;
  TImage LoadImageFile(const std::u16string& AFileName) override;
};

// --- Hotkeys ---------------------------------------------------------------------------------

class TFakeHotkeys final : public IHotkeys {
public:
  struct TRegistration {
    std::uint32_t Modifiers, Key;
  };
  std::map<int, TRegistration> Registered;      // id -> combination
  std::map<std::u16string, int> Atoms;          // held atoms by name
  std::set<std::pair<std::uint32_t, std::uint32_t>> TakenByOthers;
  std::vector<std::string> Calls;

  int AddAtom(const std::u16string& AName) override;
  void DeleteAtom(int AAtom) override;
  bool Register(int AId, std::uint32_t AModifiers, std::uint32_t AVirtualKey) override;
  void Unregister(int AId) override;

private:
  int FNextAtom = 0xC001;
};

// --- Focus and input -------------------------------------------------------------------------

class TFakeFocusInput final : public IFocusInput {
public:
  TWindowHandle Foreground = 0;
  TWindowHandle Focused = 0;          // what GetFocus answers
  std::map<TWindowHandle, std::uint32_t> WindowThreads;
  std::uint32_t OwnThread = 1;
  std::vector<std::string> Calls;     // every call, in order, e.g. "AttachThreadInput(1,7,1)"
  std::vector<std::vector<TKeyRecord>> SentInputs;

  TWindowHandle GetForegroundWindow() override;
  bool SetForegroundWindow(TWindowHandle AWindow) override;
  std::uint32_t GetWindowThreadId(TWindowHandle AWindow) override;
  std::uint32_t GetCurrentThreadId() override { return OwnThread; }
  bool AttachThreadInput(std::uint32_t AThread, std::uint32_t AToThread, bool AAttach) override;
  TWindowHandle GetFocus() override;
  void SetFocus(TWindowHandle AWindow) override;
  void ReturnActivation(TWindowHandle AActiveWnd) override;
  void SendInput(const std::vector<TKeyRecord>& ARecords) override;
};

// --- Popup view ------------------------------------------------------------------------------

class TFakePopupView final : public IPopupView {
public:
  static constexpr TWindowHandle MainHandle = 0x1000;
  static constexpr int BorderWidth = 3;  // each side: outer width - client width = 6
  static constexpr int Frame = 31;       // outer height - client height

  bool Visible = false;
  bool Closed = false;
  bool TimerEnabled = false;
  int Left = 0, Top = 0, Width = 219, Height = 280;
  std::u16string Search;
  bool SearchFocusable = true;
  bool SearchFocused = false;
  int Rows = 1, Current = 0, DefaultRowHeight = 24, FontSize = 8;
  int ColWidths[2] = {64, 64};
  std::map<std::pair<int, int>, std::u16string> Cells;
  std::u16string GridHint;
  int HideHintCount = 0, ResetHintsCount = 0, RepaintCount = 0, InvalidateCount = 0;
  TCursorShape Cursor = TCursorShape::Arrow;
  std::vector<std::string> Calls;   // window-level calls in order: "Show", "Hide", "SetPosition", ...

  TWindowHandle Handle() override { return MainHandle; }
  bool IsVisible() override { return Visible; }
  void ShowWindow() override;
  void HideWindow() override;
  void SetPosition(int ALeft, int ATop) override;
  int OuterWidth() override { return Width; }
  int OuterHeight() override { return Height; }
  void SetOuterWidth(int AWidth) override { Width = AWidth; }
  void SetOuterHeight(int AHeight) override { Height = AHeight; }
  int FrameHeight() override { return Frame; }
  void RepaintNow() override { ++RepaintCount; }
  void Close() override;
  void SetHideTimerEnabled(bool AEnabled) override;
  bool HideTimerEnabled() override { return TimerEnabled; }
  std::u16string SearchText() override { return Search; }
  void SetSearchText(const std::u16string& AText) override { Search = AText; }
  int SearchEditHeight() override { return 23; }
  bool CanFocusSearch() override { return SearchFocusable && Visible; }
  void FocusSearch() override { SearchFocused = true; }
  void SetRowCount(int ACount) override { Rows = ACount; }
  int RowCount() override { return Rows; }
  void SetCell(int ACol, int ARow, const std::u16string& AText) override { Cells[{ACol, ARow}] = AText; }
  std::u16string Cell(int ACol, int ARow) override;
  int CurrentRow() override { return Current; }
  void SetCurrentRow(int ARow) override { Current = ARow; }
  void SetDefaultRowHeight(int APixels) override { DefaultRowHeight = APixels; }
  void SetGridFontSize(int APoints) override { FontSize = APoints; }
  void SetColWidth(int ACol, int APixels) override { ColWidths[ACol] = APixels; }
  int GridClientWidth() override { return Width - 2 * BorderWidth; }
  // The grids' own geometry, never scrolled.
  TGridGeometry Geometry() const;
  TGridCell MouseToCell(int AX, int AY) override;
  void InvalidateGrid() override { ++InvalidateCount; }
  void SetGridCursor(TCursorShape AShape) override { Cursor = AShape; }
  void SetGridHint(const std::u16string& AText) override { GridHint = AText; }
  void HideHint() override { ++HideHintCount; }
  void ResetGridHints() override { ++ResetHintsCount; }

  // The screen point of a cell's centre in grid coordinates, for pointer tests.
  TPoint CellCentre(int ACol, int ARow) const;
};

// --- Screen ----------------------------------------------------------------------------------

class TFakeScreen final : public IScreen {
public:
  struct TMonitor {
    TRect Bounds, WorkArea;
  };
  explicit TFakeScreen(TFakePopupView& APopup) : FPopup(APopup) {}

  std::vector<TMonitor> Monitors{{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}}};
  TPoint Cursor{100, 100};
  int Dpi = 96;

  TPoint GetCursorPos() override { return Cursor; }
  TRect WorkAreaNearPoint(TPoint APoint) override;
  TRect WorkAreaNearMainWindow() override;
  int SystemDpi() override { return Dpi; }
  int PrimaryScreenWidth() override { return Monitors.front().Bounds.Width(); }

private:
  TFakePopupView& FPopup;
};

// --- Deferred calls --------------------------------------------------------------------------

class TFakeDeferredCalls final : public IDeferredCalls {
public:
  std::deque<std::function<void()>> Queue;
  void Post(std::function<void()> ACall) override { Queue.push_back(std::move(ACall)); }
  // Runs queued calls (and those they queue) until the queue is empty; returns how many ran.
  int RunPending();
};

// --- Menus, tray, message boxes, dialogs -----------------------------------------------------

struct TShownMenuItem {
  std::u16string Caption;
  int Tag;
  bool Enabled, Visible;
};

class TFakeMenus final : public IMenuPresenter {
public:
  // The user's choice: the first visible, enabled item whose caption is this; empty = dismiss.
  std::u16string ChooseCaption;
  std::vector<std::vector<TShownMenuItem>> Shown; // each menu as it was shown
  std::vector<TPoint> ShownAt;

  int TrackPopupMenu(const TPopupMenu& AMenu, TPoint AAt) override;
};

class TFakeTrayIcon final : public ITrayIcon {
public:
  static constexpr std::uint32_t TaskbarCreatedId = 0xC0DE;
  std::vector<std::pair<TNotifyIconAction, TNotifyIconData>> Calls;
  bool Present = false;
  bool RegisterFails = false;

  bool NotifyIcon(TNotifyIconAction AAction, const TNotifyIconData& AData) override;
  std::uint32_t RegisterWindowMessage(const std::u16string& AName) override;
};

class TFakeMessageBoxes final : public IMessageBoxes {
public:
  std::vector<std::u16string> Errors;
  std::vector<std::pair<std::u16string, std::u16string>> Warnings; // caption, text
  std::vector<TConfirmation> Confirmations;
  bool AnswerYes = false;

  void ShowError(const std::u16string& AText) override { Errors.push_back(AText); }
  void ShowWarning(const std::u16string& ACaption, const std::u16string& AText) override {
    Warnings.emplace_back(ACaption, AText);
  }
  bool ConfirmYesNo(const TConfirmation& AConfirmation) override;
};

// The user at the settings dialog: gets the fields as shown, the OK check and the name check;
// returns true for OK (after the check passed), false for Cancel.
using TSettingsUser = std::function<bool(TSettingsFields&,
                                         const std::function<TFieldCheck(const TSettingsFields&)>&,
                                         const std::function<std::u16string(const TTemplateRows&, int,
                                                                            const std::u16string&)>&)>;

// The user at the preview window: gets the handlers to call (FormShow was already called).
using TPreviewUser = std::function<void(IImagePreviewHandlers&)>;

struct TPreviewState {
  int Left = 0, Top = 0, ClientWidth = 640, ClientHeight = 480;
  bool HasPicture = false, TimerRunning = false, Ended = false;
  int TimerInterval = 0;
  TImage Picture;
};

class TFakeDialogs final : public IDialogFactory {
public:
  TSettingsUser SettingsUser;            // unset: the user presses Cancel
  std::vector<TSettingsFields> SettingsShown;
  int SettingsDialogsAlive = 0;          // created and not yet freed
  TPreviewUser PreviewUser;              // unset: the user presses a key at once
  std::vector<TPreviewState> Previews;   // each preview as it ended

  std::unique_ptr<ISettingsDialog> CreateSettingsDialog() override;
  std::unique_ptr<IImagePreviewWindow> CreateImagePreview() override;
};

// --- Everything together ---------------------------------------------------------------------

struct TFakePlatform {
  TFakeClock Clock;
  TFakeClipboard Clipboard{Clock};
  TFakeImaging Imaging;
  TFakeHotkeys Hotkeys;
  TFakeFocusInput FocusInput;
  TFakePopupView Popup;
  TFakeScreen Screen{Popup};
  TFakeDeferredCalls DeferredCalls;
  std::unique_ptr<IDataProtection> DataProtection;
  TFakeMenus Menus;
  TFakeTrayIcon TrayIcon;
  TFakeMessageBoxes MessageBoxes;
  TFakeDialogs Dialogs;

  TFakePlatform();
  ~TFakePlatform();
  TPlatform Platform();
};

} // namespace vm::test
