#pragma once
// TVellomarchFrm: the main window's state and every handler, portable. The window itself (the
// popup with its search box and grid), the clipboard, the hotkeys and the rest of the operating
// system are reached through TPlatform; each desktop program forwards its events to the handlers
// below and carries out what they decide.
//
// The handlers live in the folder of their subsystem: app/ (lifecycle, hotkeys, tray, popup and
// layout, settings command), clipboard/ (capture, paste-back), listview/ (view, grid, pointer and
// keys, item menu), templates/ (timestamp and templates).
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/shortcut.h"
#include "platform/platform.h"

namespace vm {

class TClipHistory;
struct TSettings;

struct TFocusInfo {
  TWindowHandle ActiveWnd = 0;
  TWindowHandle FocusWnd = 0;
};

enum class TMouseButton { Left, Right, Middle };

struct TShiftState {
  bool Shift = false, Alt = false, Ctrl = false;
};

// What one grid cell shows; ClipHistoryGridDrawCell decides it, the platform paints it.
enum class TColorRole { Highlight, HighlightText, WindowBackground, Black };

struct TCellPaint {
  TColorRole Background = TColorRole::WindowBackground;
  TColorRole TextColor = TColorRole::Black;
  // Text drawn on one line, left-aligned, vertically centred, '&' literal, cut with an ellipsis.
  std::u16string Text;
  TRect TextRect;
  // A thumbnail drawn unscaled with its top-left corner at ThumbnailPos; null for none.
  const TImage* Thumbnail = nullptr;
  TPoint ThumbnailPos;
};

// Key codes FormKeyDown handles (the desktop's virtual-key codes).
inline constexpr std::uint16_t VK_RETURN_KEY = 0x0D;
inline constexpr std::uint16_t VK_ESCAPE_KEY = 0x1B;
inline constexpr std::uint16_t VK_UP_KEY = 0x26;
inline constexpr std::uint16_t VK_DOWN_KEY = 0x28;
inline constexpr std::uint16_t VK_DELETE_KEY = 0x2E;
inline constexpr std::uint16_t VK_CONTROL_KEY = 0x11;
inline constexpr std::uint16_t VK_V_KEY = 0x56;
inline constexpr std::uint16_t VK_P_KEY = 0x50;

// Messages of the notification icon's callback.
inline constexpr std::uint32_t WM_LBUTTONUP_MSG = 0x0202;
inline constexpr std::uint32_t WM_RBUTTONUP_MSG = 0x0205;
inline constexpr std::uint32_t WM_TRAYICON_MSG = 0x8000 + 100; // WM_APP + 100

class TVellomarchFrm {
public:
  explicit TVellomarchFrm(TPlatform& APlatform);
  ~TVellomarchFrm();
  TVellomarchFrm(const TVellomarchFrm&) = delete;
  TVellomarchFrm& operator=(const TVellomarchFrm&) = delete;

  // --- Lifecycle (app/) ---
  // The start-up sequence; an error that escapes a step is shown in the standard error box and
  // the remaining steps are skipped.
  void FormCreate();
  void FormShow();
  // Saves the history, releases the hotkeys and the icon, frees the history, view and cache.
  void FormDestroy();
  // Every window message passes here before normal dispatch ("TaskbarCreated" re-adds the icon).
  void WindowProcHook(std::uint32_t AMessage);
  void WMHotKey(int AId);
  // What the show and quit hotkeys do, also reached from outside the process where the desktop,
  // not the program, binds the keys (a command run by the desktop passes them on).
  void ShowHotKeyCommand();
  void QuitHotKeyCommand();
  void WMTrayIcon(std::uint32_t ALParam);
  void WMDPIChanged(int ADpi);
  // Closes the main window: the platform ends its message loop and then calls FormDestroy.
  void CloseMainWindow();
  // Runs a command as the application's default handler would: an error that escapes is shown in
  // the standard error box and ends only this command.
  void RunCommand(const std::function<void()>& ACommand);
  // Runs the OnClick of the chosen item (-1: none) as a command. The handler is copied first:
  // a command may rebuild the very menu it came from.
  void RunMenuChoice(const TPopupMenu& AMenu, int AChosen);

  // --- Hotkeys and notification icon (app/) ---
  void RegisterHotKeys();
  void UnregisterHotKeys();
  void BuildTrayMenu();
  void CreateTrayIcon();
  void RemoveTrayIcon();

  // --- Popup and layout (app/) ---
  void CaptureFocusTarget();
  void ShowPopup();
  void HidePopup();
  void HideTimerTimer();
  void ApplyLayout(int ADpi);

  // --- History file (app/) ---
  std::u16string DataFilePath() const;
  void SaveHistory();

  // --- Settings command (app/, dialogs/) ---
  void OpenSettings();

  // --- Clipboard capture (clipboard/) ---
  void WMClipboardUpdate();
  void CaptureClipboard();
  // The one queued run for every clipboard update that arrived since the last run started.
  void RunQueuedCapture();
  bool IsClipboardExcluded();
  bool CaptureFiles();
  bool CaptureText();
  bool CaptureImage();
  bool ReadClipboardText(std::u16string& AText);

  // --- Clipboard writing and paste-back (clipboard/) ---
  void PasteItem(int AViewIndex, bool ACopyOnly, bool APathAsText);
  // True when the files went on the clipboard; false when nothing was written (no path, or the
  // clipboard could not be opened), so that no update of the program's own will follow.
  bool SetClipboardFiles(const std::vector<std::u16string>& APaths);
  void PutClipboardText(const std::u16string& AText);
  void SendPasteToTarget();
  void MiPasteClick();
  void MiCopyOnlyClick();
  void MiPastePathTextClick();

  // --- The list (listview/) ---
  void RebuildView();
  void RefreshGrid();
  int SelectedHistoryIndex();
  const TImage* GetThumbnail(const std::u16string& AKey);
  TCellPaint ClipHistoryGridDrawCell(int ACol, int ARow, const TRect& ARect);
  void SearchEditChange();
  void ClipHistoryGridMouseMove(int AX, int AY);
  void ClipHistoryGridMouseDown(TMouseButton AButton, int AX, int AY);
  // AKey is set to 0 when the key is consumed.
  void FormKeyDown(std::uint16_t& AKey, TShiftState AShift);
  void DeleteSelected();
  void TogglePinSelected();
  void ClearAllHistory();
  const std::u16string& HoverText() const { return FHoverText; }

  // --- Item context menu (listview/) ---
  void BuildItemMenu();
  void ItemMenuPopup();
  // Opens the item menu at a screen point and runs the chosen command.
  void PopupItemMenu(TPoint AAt);

  // --- Timestamp and templates (templates/) ---
  void InsertTimeStamp();
  void InsertTextTemplate(int ATag);
  void InsertImageTemplate(int ATag);
  std::optional<TImage> LoadImageFile(const std::u16string& AFileName);

  // --- State, for the platform and the tests ---
  TClipHistory& History() { return *FHistory; }
  const std::vector<int>& View() const { return FView; }
  bool IgnoreClipUpdate() const { return FIgnoreClipUpdate; }
  const TFocusInfo& Focus() const { return FFocus; }
  const TPopupMenu& ItemMenu() const { return *FItemMenu; }
  const TPopupMenu& TrayMenu() const { return *FTrayMenu; }
  const TNotifyIconData& NotifyIcon() const { return FNotifyIcon; }
  int FormWidth() const { return FFormWidth; }
  int RowHeight() const { return FRowHeight; }
  int FontSize() const { return FFontSize; }
  int GridFontSize() const { return FGridFontSize; }
  TShortCut ShowShortcut() const { return FShowShortcut; }
  TShortCut QuitShortcut() const { return FQuitShortcut; }
  int HotKeyIDShow() const { return FHotKeyIDShow; }
  int HotKeyIDQuit() const { return FHotKeyIDQuit; }
  const std::vector<std::u16string>& TeikeiName() const { return FTeikeiName; }
  const std::vector<std::u16string>& Teikeibun() const { return FTeikeibun; }
  const std::vector<std::u16string>& TeikeiImgName() const { return FTeikeiImgName; }
  const std::vector<std::u16string>& TeikeiImg() const { return FTeikeiImg; }

private:
  void StartUp();
  // SaveHistory, reporting whether the file was written.
  bool SaveHistoryNow();
  void LoadSettingsIntoFields();
  void KeepHistoryWithinUnknownMaximum();
  void SaveSettingsFromFields();
  // The settings as the main window's fields hold them now.
  TSettings CurrentSettings() const;
  std::u16string StoreCapturedImage(const TBytes& AData);
  void PutImageOnClipboard(const TImage& AImage);
  // One open-empty-put-close sequence of Unicode text; throws TError when it cannot be written.
  void WriteClipboardText(const std::u16string& AText);
  // A PNG file decoded and checked; throws TError with the file system's or the decoder's message.
  TImage ReadPngFile(const std::u16string& AFileName);
  void ShowImagePreview(int AHistoryIndex);

  TPlatform& P;

  // The main window's fields.
  std::unique_ptr<TClipHistory> FHistory;
  bool FSettingsUnread = false; // the settings file could not be read at start-up
  // The start-up got as far as reading (or importing) the history, and the history file is not
  // one whose key this session cannot have: until then no save may replace the file.
  bool FHistoryRead = false;
  std::vector<int> FView;
  std::map<std::u16string, std::unique_ptr<TImage>> FThumbCache;
  bool FIgnoreClipUpdate = false;
  int FQueuedClipUpdates = 0; // updates that the queued capture run will answer
  std::unique_ptr<TPopupMenu> FItemMenu;
  std::unique_ptr<TPopupMenu> FTrayMenu;
  TMenuItem* FMiPin = nullptr;
  TMenuItem* FMiDelete = nullptr;
  TMenuItem* FMiPaste = nullptr;
  TMenuItem* FMiCopyOnly = nullptr;
  TMenuItem* FMiPastePathText = nullptr;
  TNotifyIconData FNotifyIcon;
  std::uint32_t FTaskbarCreatedMsg = 0;
  TClipFormat FCFPng = 0;
  TClipFormat FCFExclude = 0;
  TClipFormat FCFViewerIgnore = 0;
  TClipFormat FCFCanInclude = 0;
  int FFormWidth = 240;
  int FRowHeight = 25;
  int FFontSize = 8;
  int FGridFontSize = 10; // set by ApplyLayout
  TShortCut FShowShortcut = 0;
  TShortCut FQuitShortcut = 0;
  int FHotKeyIDShow = 0;
  int FHotKeyIDQuit = 0;
  std::vector<std::u16string> FTeikeiName;
  std::vector<std::u16string> FTeikeibun;
  std::vector<std::u16string> FTeikeiImgName;
  std::vector<std::u16string> FTeikeiImg;
  TFocusInfo FFocus;
  std::u16string FHoverText;
};

} // namespace vm
