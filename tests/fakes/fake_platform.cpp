#include "fake_platform.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include "clipboard/captured_text.h"
#include "fake_data_protection.h"
#include "support/data_folders.h"
#include "support/error.h"
#include "support/text.h"

namespace vm::test {
namespace {

std::string Narrow(const std::u16string& AText) { return Utf16ToUtf8(AText); }

void PutU32(TBytes& AOut, std::uint32_t AValue) {
  for (int I = 0; I < 4; ++I) AOut.push_back(static_cast<std::uint8_t>(AValue >> (8 * I)));
}

std::uint32_t GetU32(const TBytes& AData, std::size_t APos) {
  std::uint32_t V = 0;
  for (int I = 3; I >= 0; --I) V = (V << 8) | AData[APos + static_cast<std::size_t>(I)];
  return V;
}

void PutU32BigEndian(TBytes& AOut, std::uint32_t AValue) {
  for (int I = 3; I >= 0; --I) AOut.push_back(static_cast<std::uint8_t>(AValue >> (8 * I)));
}

std::uint32_t GetU32BigEndian(const TBytes& AData, std::size_t APos) {
  std::uint32_t V = 0;
  for (std::size_t I = 0; I < 4; ++I) V = (V << 8) | AData[APos + I];
  return V;
}

const std::uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Signature, chunk length and type, the 13 bytes of the header, "FAKE".
constexpr std::size_t FakePixelsAt = 8 + 8 + 13 + 4;

} // namespace

// --- TFakeClipboard ---------------------------------------------------------------------------

void TFakeClipboard::ClearContent() {
  FText.reset();
  FFiles.reset();
  FBitmap.reset();
  FData.clear();
}

void TFakeClipboard::Notify() {
  ++UpdateCount;
  if (OnUpdate) OnUpdate();
}

void TFakeClipboard::StageText(const std::u16string& AText) {
  ClearContent();
  FText = AText;
  Notify();
}

void TFakeClipboard::StageFiles(const std::vector<std::u16string>& APaths) {
  ClearContent();
  FFiles = APaths;
  Notify();
}

void TFakeClipboard::StagePng(const TBytes& APng) {
  ClearContent();
  FData[RegisterFormat(u"PNG")] = APng;
  Notify();
}

void TFakeClipboard::StageBitmap(const TImage& AImage) {
  ClearContent();
  FBitmap = AImage;
  Notify();
}

void TFakeClipboard::AddFormat(TClipFormat AFormat, const TBytes& AData) { FData[AFormat] = AData; }

void TFakeClipboard::AddFormat(const std::u16string& ARegisteredName, const TBytes& AData) {
  FData[RegisterFormat(ARegisteredName)] = AData;
}

std::optional<TBytes> TFakeClipboard::Data(TClipFormat AFormat) const {
  auto It = FData.find(AFormat);
  if (It == FData.end()) return std::nullopt;
  return It->second;
}

std::vector<std::u16string> TFakeClipboard::DroppedPaths() const {
  std::vector<std::u16string> Paths;
  auto Block = Data(CF_HDROP_FORMAT);
  if (!Block || Block->size() < 20) return Paths;
  std::size_t Pos = GetU32(*Block, 0);
  std::u16string Current;
  while (Pos + 1 < Block->size()) {
    const char16_t C = static_cast<char16_t>((*Block)[Pos] | ((*Block)[Pos + 1] << 8));
    Pos += 2;
    if (C != 0) {
      Current.push_back(C);
    } else if (Current.empty()) {
      break;
    } else {
      Paths.push_back(Current);
      Current.clear();
    }
  }
  return Paths;
}

TClipFormat TFakeClipboard::FormatId(const std::u16string& ARegisteredName) const {
  auto It = FRegistered.find(ARegisteredName);
  return It == FRegistered.end() ? 0 : It->second;
}

std::u16string TFakeClipboard::ReadUnicodeText() {
  TClipboardSession Session(*this);
  if (!Session.IsOpen()) throw TError(u"Cannot open clipboard: Access is denied");
  return GetUnicodeText().value_or(u"");
}

TClipFormat TFakeClipboard::RegisterFormat(const std::u16string& AName) {
  auto [It, Added] = FRegistered.emplace(AName, FNextFormat);
  if (Added) ++FNextFormat;
  return It->second;
}

bool TFakeClipboard::IsFormatAvailable(TClipFormat AFormat) {
  switch (AFormat) {
  case CF_UNICODETEXT_FORMAT:
  case CF_TEXT_FORMAT:
    return FText.has_value();
  case CF_HDROP_FORMAT:
    return FFiles.has_value() || FData.count(CF_HDROP_FORMAT) > 0;
  case CF_BITMAP_FORMAT:
    return FBitmap.has_value();
  default:
    return FData.count(AFormat) > 0;
  }
}

bool TFakeClipboard::Open() {
  if (FOpen || HeldByOther()) {
    ++FailedOpenCount;
    return false;
  }
  FOpen = true;
  FChangedWhileOpen = false;
  ++OpenCount;
  return true;
}

void TFakeClipboard::Close() {
  if (!FOpen) throw std::logic_error("Close without Open");
  FOpen = false;
  ++CloseCount;
  if (FChangedWhileOpen) Notify();
}

std::optional<TBytes> TFakeClipboard::GetData(TClipFormat AFormat) {
  if (!FOpen) throw std::logic_error("GetData on a closed clipboard");
  return Data(AFormat);
}

std::optional<std::u16string> TFakeClipboard::GetUnicodeText() {
  if (!FOpen) throw std::logic_error("GetUnicodeText on a closed clipboard");
  if (!FText) return std::nullopt;
  const std::size_t Length = std::min(FText->find(u'\0'), FText->size());
  if (!ReadsAnyLength) CheckCapturedTextLength(Length);
  return FText->substr(0, Length);
}

std::optional<std::vector<std::u16string>> TFakeClipboard::GetDroppedFiles() {
  if (!FOpen) throw std::logic_error("GetDroppedFiles on a closed clipboard");
  std::vector<std::u16string> Source;
  if (FFiles) Source = *FFiles;
  else if (FData.count(CF_HDROP_FORMAT)) Source = DroppedPaths();
  else return std::nullopt;
  std::vector<std::u16string> Paths;
  std::size_t TotalLength = 0;
  for (const auto& Path : Source)
    if (!Path.empty()) {
      Paths.push_back(Path.substr(0, 259));
      TotalLength += Paths.back().size();
    }
  if (!ReadsAnyLength) CheckCapturedFileListLength(JoinedFileListLength(TotalLength, Paths.size()));
  return Paths;
}

std::optional<TImage> TFakeClipboard::GetBitmap() {
  if (!FOpen) throw std::logic_error("GetBitmap on a closed clipboard");
  if (BitmapReadFails) throw TError(u"The bitmap could not be read");
  return FBitmap;
}

void TFakeClipboard::Empty() {
  if (!FOpen) throw std::logic_error("Empty on a closed clipboard");
  ClearContent();
  LastWriteFormats.clear();
  FChangedWhileOpen = true;
}

void TFakeClipboard::SetData(TClipFormat AFormat, const TBytes& AData) {
  if (!FOpen) throw std::logic_error("SetData on a closed clipboard");
  if (RefusedFormats.count(AFormat)) throw TError(u"The clipboard refused the data");
  FData[AFormat] = AData;
  LastWriteFormats.push_back(AFormat);
  FChangedWhileOpen = true;
}

bool TFakeClipboard::SetUnicodeText(const std::u16string& AText) {
  if (!FOpen) throw std::logic_error("SetUnicodeText on a closed clipboard");
  if (RefusedFormats.count(CF_UNICODETEXT_FORMAT)) return false;
  FText = AText;
  LastWriteFormats.push_back(CF_UNICODETEXT_FORMAT);
  FChangedWhileOpen = true;
  return true;
}

void TFakeClipboard::SetBitmap(const TImage& AImage) {
  if (!FOpen) throw std::logic_error("SetBitmap on a closed clipboard");
  if (RefusedFormats.count(CF_BITMAP_FORMAT)) throw TError(u"The clipboard refused the bitmap");
  FBitmap = AImage;
  LastWriteFormats.push_back(CF_BITMAP_FORMAT);
  FChangedWhileOpen = true;
}

// --- TFakeImaging -----------------------------------------------------------------------------

// A PNG's signature and the start of its header chunk (its length, "IHDR", width and height
// big-endian, 8 bits RGBA), as the core reads them; then "FAKE" and the pixels.
TBytes TFakeImaging::MakePngHeader(int AWidth, int AHeight) {
  TBytes Out(PngSignature, PngSignature + 8);
  PutU32BigEndian(Out, 13);
  for (char C : std::string("IHDR")) Out.push_back(static_cast<std::uint8_t>(C));
  PutU32BigEndian(Out, static_cast<std::uint32_t>(AWidth));
  PutU32BigEndian(Out, static_cast<std::uint32_t>(AHeight));
  Out.insert(Out.end(), {8, 6, 0, 0, 0});
  for (char C : std::string("FAKE")) Out.push_back(static_cast<std::uint8_t>(C));
  return Out;
}

TBytes TFakeImaging::MakePng(const TImage& AImage) {
  TBytes Out = MakePngHeader(AImage.Width, AImage.Height);
  for (std::uint32_t Pixel : AImage.Pixels) PutU32(Out, Pixel);
  return Out;
}

TImage TFakeImaging::SolidImage(int AWidth, int AHeight, std::uint32_t AColour) {
  TImage Image;
  Image.Width = AWidth;
  Image.Height = AHeight;
  Image.Pixels.assign(static_cast<std::size_t>(AWidth) * static_cast<std::size_t>(AHeight), AColour);
  return Image;
}

TImage TFakeImaging::DecodePng(const TBytes& AData) {
  ++DecodeCount;
  CheckPngHeader(AData);
  if (AData.size() < FakePixelsAt || std::memcmp(AData.data() + FakePixelsAt - 4, "FAKE", 4) != 0)
    throw TError(u"The data is not a PNG image");
  const auto Width = static_cast<std::int32_t>(GetU32BigEndian(AData, 16));
  const auto Height = static_cast<std::int32_t>(GetU32BigEndian(AData, 20));
  const std::size_t Count = static_cast<std::size_t>(Width) * static_cast<std::size_t>(Height);
  if (AData.size() < FakePixelsAt + 4 * Count) throw TError(u"The PNG image is truncated");
  TImage Image;
  Image.Width = Width;
  Image.Height = Height;
  Image.Pixels.resize(Count);
  for (std::size_t I = 0; I < Count; ++I) Image.Pixels[I] = GetU32(AData, FakePixelsAt + 4 * I);
  return Image;
}

TBytes TFakeImaging::EncodePng(const TImage& AImage) {
  ++EncodeCount;
  return MakePng(AImage);
}

TBytes TFakeImaging::Md5(const TBytes& AData) {
  ++Md5Count;
  // Not MD5: a stable 128-bit digest (four FNV-1a lanes) is all the core's logic depends on.
  TBytes Digest;
  for (std::uint32_t Lane = 0; Lane < 4; ++Lane) {
    std::uint32_t H = 2166136261u ^ (Lane * 0x9E3779B9u);
    for (std::uint8_t B : AData) H = (H ^ B) * 16777619u;
    PutU32(Digest, H);
  }
  return Digest;
}

TImage TFakeImaging::Thumbnail(TImage AImage, int ASize) {
  // The average colour over the whole picture fills the square.
  unsigned long long R = 0, G = 0, B = 0;
  for (std::uint32_t P : AImage.Pixels) {
    R += (P >> 16) & 0xFF;
    G += (P >> 8) & 0xFF;
    B += P & 0xFF;
  }
  const auto N = std::max<unsigned long long>(1, AImage.Pixels.size());
  const auto Colour = static_cast<std::uint32_t>(0xFF000000u | ((R / N) << 16) | ((G / N) << 8) | (B / N));
  return SolidImage(ASize, ASize, Colour);
}

TBytes TFakeImaging::EncodeBmp24(const TImage& AImage) {
  TBytes Out{'B', 'M'};
  PutU32(Out, static_cast<std::uint32_t>(AImage.Width));
  PutU32(Out, static_cast<std::uint32_t>(AImage.Height));
  for (std::uint32_t Pixel : AImage.Pixels) PutU32(Out, Pixel & 0xFFFFFF);
  return Out;
}

TImage TFakeImaging::DecodeBmp(const TBytes& AData) {
  if (AData.size() < 10 || AData[0] != 'B' || AData[1] != 'M') throw TError(u"Bitmap image is not valid");
  TImage Image;
  Image.Width = static_cast<int>(GetU32(AData, 2));
  Image.Height = static_cast<int>(GetU32(AData, 6));
  CheckImageBounds(Image.Width, Image.Height);
  const std::size_t Count = static_cast<std::size_t>(Image.Width) * static_cast<std::size_t>(Image.Height);
  if (AData.size() < 10 + 4 * Count) throw TError(u"Bitmap image is not valid");
  for (std::size_t I = 0; I < Count; ++I) Image.Pixels.push_back(GetU32(AData, 10 + 4 * I));
  return Image;
}

TImage TFakeImaging::LoadImageFile(const std::u16string& AFileName) {
  if (UnreadableFiles.count(AFileName)) throw TError(u"The component cannot be found");
  std::ifstream In(FsPath(AFileName), std::ios::binary);
  if (!In) throw TError(u"The system cannot find the file specified");
  std::ostringstream S;
  S << In.rdbuf();
  const std::string Bytes = S.str();
  return DecodePng(TBytes(Bytes.begin(), Bytes.end()));
}

// --- TFakeHotkeys -----------------------------------------------------------------------------

int TFakeHotkeys::AddAtom(const std::u16string& AName) {
  Calls.push_back("AddAtom(" + Narrow(AName) + ")");
  auto It = Atoms.find(AName);
  if (It != Atoms.end()) return It->second;
  return Atoms[AName] = FNextAtom++;
}

void TFakeHotkeys::DeleteAtom(int AAtom) {
  Calls.push_back("DeleteAtom(" + std::to_string(AAtom) + ")");
  for (auto It = Atoms.begin(); It != Atoms.end(); ++It)
    if (It->second == AAtom) {
      Atoms.erase(It);
      return;
    }
}

bool TFakeHotkeys::Register(int AId, std::uint32_t AModifiers, std::uint32_t AVirtualKey) {
  Calls.push_back("Register(" + std::to_string(AId) + "," + std::to_string(AModifiers) + "," +
                  std::to_string(AVirtualKey) + ")");
  if (TakenByOthers.count({AModifiers, AVirtualKey})) return false;
  for (const auto& [Id, Combo] : Registered)
    if (Combo.Modifiers == AModifiers && Combo.Key == AVirtualKey) return false;
  if (Registered.count(AId)) return false;
  Registered[AId] = {AModifiers, AVirtualKey};
  return true;
}

void TFakeHotkeys::Unregister(int AId) {
  Calls.push_back("Unregister(" + std::to_string(AId) + ")");
  Registered.erase(AId);
}

// --- TFakeFocusInput --------------------------------------------------------------------------

TWindowHandle TFakeFocusInput::GetForegroundWindow() {
  Calls.push_back("GetForegroundWindow");
  return Foreground;
}

bool TFakeFocusInput::SetForegroundWindow(TWindowHandle AWindow) {
  Calls.push_back("SetForegroundWindow(" + std::to_string(AWindow) + ")");
  Foreground = AWindow;
  return true;
}

std::uint32_t TFakeFocusInput::GetWindowThreadId(TWindowHandle AWindow) {
  Calls.push_back("GetWindowThreadId(" + std::to_string(AWindow) + ")");
  auto It = WindowThreads.find(AWindow);
  return It == WindowThreads.end() ? 0 : It->second;
}

bool TFakeFocusInput::AttachThreadInput(std::uint32_t AThread, std::uint32_t AToThread, bool AAttach) {
  Calls.push_back("AttachThreadInput(" + std::to_string(AThread) + "," + std::to_string(AToThread) + "," +
                  (AAttach ? "1" : "0") + ")");
  return AThread != 0;
}

TWindowHandle TFakeFocusInput::GetFocus() {
  Calls.push_back("GetFocus");
  return Focused;
}

void TFakeFocusInput::SetFocus(TWindowHandle AWindow) {
  Calls.push_back("SetFocus(" + std::to_string(AWindow) + ")");
  Focused = AWindow;
}

void TFakeFocusInput::ReturnActivation(TWindowHandle AActiveWnd) {
  Calls.push_back("ReturnActivation(" + std::to_string(AActiveWnd) + ")");
}

void TFakeFocusInput::SendInput(const std::vector<TKeyRecord>& ARecords) {
  Calls.push_back("SendInput(" + std::to_string(ARecords.size()) + ")");
  SentInputs.push_back(ARecords);
}

// --- TFakePopupView ---------------------------------------------------------------------------

void TFakePopupView::ShowWindow() {
  Calls.push_back("Show");
  Visible = true;
}

void TFakePopupView::HideWindow() {
  Calls.push_back("Hide");
  Visible = false;
}

void TFakePopupView::SetPosition(int ALeft, int ATop) {
  Calls.push_back("SetPosition");
  Left = ALeft;
  Top = ATop;
}

void TFakePopupView::Close() {
  Calls.push_back("Close");
  Closed = true;
  Visible = false;
}

void TFakePopupView::SetHideTimerEnabled(bool AEnabled) {
  Calls.push_back(AEnabled ? "TimerOn" : "TimerOff");
  TimerEnabled = AEnabled;
}

std::u16string TFakePopupView::Cell(int ACol, int ARow) {
  auto It = Cells.find({ACol, ARow});
  return It == Cells.end() ? std::u16string() : It->second;
}

TGridGeometry TFakePopupView::Geometry() const {
  // Scrolling is the desktops' concern: the fake's rows start at the top and have no client
  // height to fit into.
  return {{ColWidths[0], ColWidths[1]}, DefaultRowHeight, GridLineWidth, Rows, 0, 0};
}

TGridCell TFakePopupView::MouseToCell(int AX, int AY) { return Geometry().CellAt(AX, AY); }

TPoint TFakePopupView::CellCentre(int ACol, int ARow) const {
  const TRect Cell = Geometry().CellRect(ACol, ARow);
  return {Cell.Left + Cell.Width() / 2, Cell.Top + Cell.Height() / 2};
}

// --- TFakeScreen ------------------------------------------------------------------------------

namespace {

long long DistanceSquared(const TRect& ARect, TPoint APoint) {
  const long long Dx = APoint.X < ARect.Left ? ARect.Left - APoint.X : (APoint.X >= ARect.Right ? APoint.X - ARect.Right + 1 : 0);
  const long long Dy = APoint.Y < ARect.Top ? ARect.Top - APoint.Y : (APoint.Y >= ARect.Bottom ? APoint.Y - ARect.Bottom + 1 : 0);
  return Dx * Dx + Dy * Dy;
}

} // namespace

TRect TFakeScreen::WorkAreaNearPoint(TPoint APoint) {
  const TMonitor* Best = &Monitors.front();
  for (const auto& Monitor : Monitors)
    if (DistanceSquared(Monitor.Bounds, APoint) < DistanceSquared(Best->Bounds, APoint)) Best = &Monitor;
  return Best->WorkArea;
}

TRect TFakeScreen::WorkAreaNearMainWindow() {
  return WorkAreaNearPoint({FPopup.Left + FPopup.Width / 2, FPopup.Top + FPopup.Height / 2});
}

// --- TFakeDeferredCalls -----------------------------------------------------------------------

int TFakeDeferredCalls::RunPending() {
  int Ran = 0;
  while (!Queue.empty()) {
    auto Call = std::move(Queue.front());
    Queue.pop_front();
    Call();
    ++Ran;
  }
  return Ran;
}

// --- TFakeMenus, TFakeTrayIcon, TFakeMessageBoxes ---------------------------------------------

int TFakeMenus::TrackPopupMenu(const TPopupMenu& AMenu, TPoint AAt) {
  std::vector<TShownMenuItem> Snapshot;
  int Chosen = -1;
  for (std::size_t I = 0; I < AMenu.Items.size(); ++I) {
    const TMenuItem& Item = *AMenu.Items[I];
    Snapshot.push_back({Item.Caption, Item.Tag, Item.Enabled, Item.Visible});
    if (Chosen < 0 && !ChooseCaption.empty() && Item.Caption == ChooseCaption && Item.Visible && Item.Enabled)
      Chosen = static_cast<int>(I);
  }
  Shown.push_back(std::move(Snapshot));
  ShownAt.push_back(AAt);
  ChooseCaption.clear();
  return Chosen;
}

bool TFakeTrayIcon::NotifyIcon(TNotifyIconAction AAction, const TNotifyIconData& AData) {
  Calls.emplace_back(AAction, AData);
  Present = AAction == TNotifyIconAction::Add;
  return true;
}

std::uint32_t TFakeTrayIcon::RegisterWindowMessage(const std::u16string& AName) {
  if (RegisterFails || AName != u"TaskbarCreated") return 0;
  return TaskbarCreatedId;
}

bool TFakeMessageBoxes::ConfirmYesNo(const TConfirmation& AConfirmation) {
  Confirmations.push_back(AConfirmation);
  return AnswerYes;
}

// --- TFakeDialogs -----------------------------------------------------------------------------

namespace {

class TFakeSettingsDialog final : public ISettingsDialog {
public:
  explicit TFakeSettingsDialog(TFakeDialogs& AOwner) : FOwner(AOwner) { ++FOwner.SettingsDialogsAlive; }
  ~TFakeSettingsDialog() override { --FOwner.SettingsDialogsAlive; }
  TFakeSettingsDialog(const TFakeSettingsDialog&) = delete;
  TFakeSettingsDialog& operator=(const TFakeSettingsDialog&) = delete;

  bool ShowModal(TSettingsFields& AFields, const std::function<TFieldCheck(const TSettingsFields&)>& AOkCheck,
                 const std::function<std::u16string(const TTemplateRows&, int, const std::u16string&)>&
                     ACheckTemplateName) override {
    FOwner.SettingsShown.push_back(AFields);
    if (!FOwner.SettingsUser) return false;
    return FOwner.SettingsUser(AFields, AOkCheck, ACheckTemplateName);
  }

private:
  TFakeDialogs& FOwner;
};

class TFakePreview final : public IImagePreviewWindow {
public:
  explicit TFakePreview(TFakeDialogs& AOwner) : FOwner(AOwner) {}

  void RunModal(IImagePreviewHandlers& AHandlers) override {
    AHandlers.FormShow();
    if (FOwner.PreviewUser) FOwner.PreviewUser(AHandlers);
    else AHandlers.FormKeyDown();
    FOwner.Previews.push_back(FState);
  }
  void SetPosition(int ALeft, int ATop) override {
    FState.Left = ALeft;
    FState.Top = ATop;
  }
  void SetClientSize(int AWidth, int AHeight) override {
    FState.ClientWidth = AWidth;
    FState.ClientHeight = AHeight;
  }
  void SetPicture(const TImage& AImage) override {
    FState.HasPicture = true;
    FState.Picture = AImage;
  }
  void StartTimer(int AMilliseconds) override {
    FState.TimerRunning = true;
    FState.TimerInterval = AMilliseconds;
  }
  void StopTimer() override { FState.TimerRunning = false; }
  void EndModal() override { FState.Ended = true; }

private:
  TFakeDialogs& FOwner;
  TPreviewState FState;
};

} // namespace

std::unique_ptr<ISettingsDialog> TFakeDialogs::CreateSettingsDialog() {
  return std::make_unique<TFakeSettingsDialog>(*this);
}

std::unique_ptr<IImagePreviewWindow> TFakeDialogs::CreateImagePreview() { return std::make_unique<TFakePreview>(*this); }

// --- TFakePlatform ----------------------------------------------------------------------------

TFakePlatform::TFakePlatform() : DataProtection(std::make_unique<TFakeDataProtection>()) {}
TFakePlatform::~TFakePlatform() = default;

TPlatform TFakePlatform::Platform() {
  return TPlatform{Clipboard, Imaging, Hotkeys, FocusInput, Screen, DeferredCalls, Clock, *DataProtection,
                   Popup,     Menus,   TrayIcon, MessageBoxes, Dialogs};
}

} // namespace vm::test
