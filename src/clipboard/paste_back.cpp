// Paste-back: a chosen entry goes back on the clipboard in the form that suits its kind, and
// Ctrl+V is sent to the control the user was typing in.
#include "app/app_texts.h"
#include "app/vellomarch_frm.h"
#include "clipboard/drop_files.h"
#include "clipboard/image_data.h"
#include "history/clip_history.h"
#include "history/file_access.h"
#include "support/data_folders.h"
#include "support/error.h"
#include "support/log.h"

namespace vm {
namespace {

// Lets the desktop finish moving the focus before the keys arrive.
constexpr int PasteKeyDelay = 30;

std::u16string JoinLines(const std::vector<std::u16string>& ALines) {
  std::u16string Text;
  for (std::size_t I = 0; I < ALines.size(); ++I) {
    if (I > 0) Text += u"\r\n";
    Text += ALines[I];
  }
  return Text;
}

// The paths of a file-list entry. A blank line names no file: inside the CF_HDROP block it would
// read as the end of the list and hide every path after it.
std::vector<std::u16string> EntryPaths(const std::u16string& AText) {
  std::vector<std::u16string> Paths;
  for (auto& Line : SplitLines(AText))
    if (!Line.empty()) Paths.push_back(std::move(Line));
  return Paths;
}

} // namespace

void TVellomarchFrm::PasteItem(int AViewIndex, bool ACopyOnly, bool APathAsText) {
  if (AViewIndex < 0 || static_cast<std::size_t>(AViewIndex) >= FView.size()) return;
  const int Index = FView[static_cast<std::size_t>(AViewIndex)];
  if (!FHistory || Index < 0 || Index >= FHistory->Items().Count()) return;
  const TClipItem Item = FHistory->Items()[Index];

  FIgnoreClipUpdate = true;
  try {
    switch (Item.ItemType) {
    case citText:
      WriteClipboardText(Item.Text);
      break;
    case citImage:
      PutImageOnClipboard(ReadPngFile(ImagesDir() + Item.ImageFile));
      break;
    case citFiles:
      if (APathAsText) {
        WriteClipboardText(Item.Text);
      } else if (!SetClipboardFiles(EntryPaths(Item.Text))) {
        // Nothing was written, so no update of our own will come to consume the flag: left set,
        // it would swallow the user's next copy.
        FIgnoreClipUpdate = false;
      }
      break;
    }
  } catch (const std::exception& E) {
    FIgnoreClipUpdate = false;
    WriteLog(u"Paste failed: " + ErrorMessage(E));
    return;
  }

  FHistory->MoveToTop(Index);
  RebuildView();
  RefreshGrid();
  SaveHistory();
  HidePopup();
  if (!ACopyOnly) SendPasteToTarget();
}

bool TVellomarchFrm::SetClipboardFiles(const std::vector<std::u16string>& APaths) {
  if (APaths.empty()) return false;
  const TBytes Block = BuildDropFiles(APaths);
  TClipboardSession Session(P.Clipboard);
  if (!Session.IsOpen()) return false;
  P.Clipboard.Empty();
  P.Clipboard.SetData(CF_HDROP_FORMAT, Block);
  // The same list as text, for programs that take no files; its absence is no failure.
  PutClipboardText(JoinLines(APaths));
  return true;
}

void TVellomarchFrm::PutClipboardText(const std::u16string& AText) {
  try {
    P.Clipboard.SetUnicodeText(AText);
  } catch (const std::exception&) {
    // The text form is an extra: whatever was already put stays on the clipboard.
  }
}

void TVellomarchFrm::WriteClipboardText(const std::u16string& AText) {
  TClipboardSession Session(P.Clipboard);
  if (!Session.IsOpen()) throw TError(texts::ClipboardOpenFailed);
  P.Clipboard.Empty();
  if (!P.Clipboard.SetUnicodeText(AText)) throw TError(texts::ClipboardTextRefused);
}

TImage TVellomarchFrm::ReadPngFile(const std::u16string& AFileName) {
  const std::string Bytes = ReadWholeFile(AFileName);
  const TBytes Data(Bytes.begin(), Bytes.end());
  // Image files from before a lower bound, or put there by hand, are held to it as well.
  CheckPngHeader(Data);
  TImage Image = P.Imaging.DecodePng(Data);
  CheckImageData(Image);
  return Image;
}

void TVellomarchFrm::PutImageOnClipboard(const TImage& AImage) {
  TClipboardSession Session(P.Clipboard);
  if (!Session.IsOpen()) throw TError(texts::ClipboardOpenFailed);
  P.Clipboard.Empty();
  P.Clipboard.SetBitmap(AImage);
}

void TVellomarchFrm::SendPasteToTarget() {
  if (FFocus.FocusWnd != 0) {
    const std::uint32_t TargetThread = P.FocusInput.GetWindowThreadId(FFocus.ActiveWnd);
    const std::uint32_t OwnThread = P.FocusInput.GetCurrentThreadId();
    P.FocusInput.AttachThreadInput(TargetThread, OwnThread, true);
    if (P.FocusInput.GetFocus() != FFocus.FocusWnd) P.FocusInput.SetFocus(FFocus.FocusWnd);
    P.FocusInput.AttachThreadInput(TargetThread, OwnThread, false);
  }
  // Where hiding the popup leaves no window active, the platform hands activation back to the
  // window the user came from; a popup never called by the hotkey has none to return to.
  if (FFocus.ActiveWnd != 0) P.FocusInput.ReturnActivation(FFocus.ActiveWnd);
  P.Clock.Sleep(PasteKeyDelay);
  // Only these four: a modifier the user still holds is not released first.
  P.FocusInput.SendInput({{VK_CONTROL_KEY, false}, {VK_V_KEY, false}, {VK_V_KEY, true}, {VK_CONTROL_KEY, true}});
}

void TVellomarchFrm::MiPasteClick() { PasteItem(P.Popup.CurrentRow(), false, false); }

void TVellomarchFrm::MiCopyOnlyClick() { PasteItem(P.Popup.CurrentRow(), true, false); }

void TVellomarchFrm::MiPastePathTextClick() { PasteItem(P.Popup.CurrentRow(), false, true); }

} // namespace vm
