#include "platform/linux/qt_clipboard.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QUrl>

#include "clipboard/captured_text.h"
#include "clipboard/drop_files.h"
#include "platform/linux/qt_imaging.h"
#include "support/error.h"

namespace vm {
namespace {

const QString UriListMime = QStringLiteral("text/uri-list");
const QString GnomeFilesMime = QStringLiteral("x-special/gnome-copied-files");
const QString PngMime = QStringLiteral("image/png");
const QString PasswordHintMime = QStringLiteral("x-kde-passwordManagerHint");
const QString PlainTextMime = QStringLiteral("text/plain");

constexpr char16_t PngFormatName[] = u"PNG";
constexpr char16_t ExcludeFormatName[] = u"ExcludeClipboardContentFromMonitorProcessing";
// The paths of a dropped-files list are read into buffers of 260 characters.
constexpr std::size_t MaxDroppedPath = 259;

QString ToQString(const std::u16string& AText) { return QString::fromStdU16String(AText); }

QByteArray ToByteArray(const TBytes& AData) {
  return QByteArray(reinterpret_cast<const char*>(AData.data()), static_cast<qsizetype>(AData.size()));
}

TBytes ToBytes(const QByteArray& AData) { return TBytes(AData.begin(), AData.end()); }

std::u16string UpToZero(std::u16string AText) {
  if (const auto Zero = AText.find(u'\0'); Zero != std::u16string::npos) AText.resize(Zero);
  return AText;
}

// The X11 targets that carry text as UTF-8. Fetched as they are, their bytes are measured before
// anything is converted; Qt's own text() would convert first and hold two copies of a text that
// may then be refused.
const char* const Utf8TextTargets[] = {"UTF8_STRING", "text/plain;charset=utf-8"};

std::u16string BoundedTextOfUtf8(const QByteArray& AUtf8) {
  const qsizetype Zero = AUtf8.indexOf('\0');
  const QByteArrayView Text = Zero < 0 ? QByteArrayView(AUtf8) : QByteArrayView(AUtf8).first(Zero);
  CheckCapturedTextLength(Utf16LengthOfUtf8(std::string_view(Text.data(), static_cast<std::size_t>(Text.size()))));
  const QString Decoded = QString::fromUtf8(Text);
  // Bad bytes become U+FFFD, one or more each: the decoded text is measured again.
  CheckCapturedTextLength(static_cast<std::size_t>(Decoded.size()));
  return Decoded.toStdU16String();
}

const QMimeData* QtContent() { return QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard); }

// Qt waits up to five seconds for the owner's answer to a request and then reports nothing; an
// empty answer that took most of that wait was never given.
constexpr qint64 UnansweredAfterMs = 4000;
const QString QtImageMime = QStringLiteral("application/x-qt-image");

// The image target to decode: the lossless and common ones first, then any other Qt can read.
QString ImageTargetOf(const QStringList& AFormats) {
  static const char* const Preferred[] = {"image/png",  "image/bmp", "image/x-bmp", "image/x-ms-bmp",
                                          "image/jpeg", "image/gif", "image/tiff"};
  for (const char* Name : Preferred)
    if (AFormats.contains(QLatin1String(Name), Qt::CaseInsensitive)) return QLatin1String(Name);
  const QList<QByteArray> Readable = QImageReader::supportedMimeTypes();
  for (const QString& Format : AFormats)
    if (Format.startsWith(QLatin1String("image/")) && Readable.contains(Format.toLatin1())) return Format;
  return {};
}

// A path cut at the reader's buffer size; a character of two UTF-16 units is never split.
std::u16string CutPath(std::u16string APath) {
  if (APath.size() > MaxDroppedPath) {
    APath.resize(MaxDroppedPath);
    if (APath.back() >= 0xD800 && APath.back() <= 0xDBFF) APath.pop_back();
  }
  return APath;
}

std::uint32_t ReadU32(const TBytes& ABlock, std::size_t AOffset) {
  return static_cast<std::uint32_t>(ABlock[AOffset]) | static_cast<std::uint32_t>(ABlock[AOffset + 1]) << 8 |
         static_cast<std::uint32_t>(ABlock[AOffset + 2]) << 16 | static_cast<std::uint32_t>(ABlock[AOffset + 3]) << 24;
}

} // namespace

std::vector<std::u16string> ParseDropFiles(const TBytes& ABlock) {
  if (ABlock.size() < DropFilesHeaderSize)
    throw TError(u"The file list is shorter than its header (" + IntToStr(static_cast<long long>(ABlock.size())) +
                 u" bytes)");
  const std::uint32_t Start = ReadU32(ABlock, 0);
  const bool Wide = ReadU32(ABlock, 16) != 0;
  if (Start < DropFilesHeaderSize || Start > ABlock.size())
    throw TError(u"The file list starts outside its block (offset " + IntToStr(Start) + u")");

  std::vector<std::u16string> Paths;
  std::u16string Path;
  // A list that runs to the end of the block without its final empty path ends there.
  if (Wide) {
    for (std::size_t Pos = Start; Pos + 1 < ABlock.size(); Pos += 2) {
      const auto C = static_cast<char16_t>(ABlock[Pos] | ABlock[Pos + 1] << 8);
      if (C != 0) {
        Path += C;
        continue;
      }
      if (Path.empty()) return Paths;
      Paths.push_back(std::move(Path));
      Path.clear();
    }
  } else {
    QByteArray Bytes;
    for (std::size_t Pos = Start; Pos < ABlock.size(); ++Pos) {
      if (ABlock[Pos] != 0) {
        Bytes += static_cast<char>(ABlock[Pos]);
        continue;
      }
      if (Bytes.isEmpty()) return Paths;
      Paths.push_back(QString::fromLocal8Bit(Bytes).toStdU16String());
      Bytes.clear();
    }
    if (!Bytes.isEmpty()) Path = QString::fromLocal8Bit(Bytes).toStdU16String();
  }
  if (!Path.empty()) Paths.push_back(std::move(Path));
  return Paths;
}

std::vector<std::u16string> LocalPathsOfUriList(const QByteArray& AUriList) {
  std::vector<std::u16string> Paths;
  for (const QByteArray& RawLine : AUriList.split('\n')) {
    const QByteArray Line = RawLine.trimmed();
    if (Line.isEmpty() || Line.startsWith('#')) continue;
    const QUrl Url = QUrl::fromEncoded(Line);
    if (!Url.isValid() || !Url.isLocalFile()) continue;
    // Percent escapes are decoded as UTF-8, which file managers encode names in.
    const QString Path = Url.toLocalFile();
    if (!Path.isEmpty()) Paths.push_back(Path.toStdU16String());
  }
  return Paths;
}

std::vector<std::u16string> LocalPathsOfGnomeFiles(const QByteArray& AData) {
  const qsizetype FirstBreak = AData.indexOf('\n');
  if (FirstBreak < 0) return {};
  return LocalPathsOfUriList(AData.mid(FirstBreak + 1));
}

TQtClipboard::TQtClipboard(TChangeHandler AOnChange)
    : FOnChange(std::move(AOnChange)), FListener(std::make_unique<QObject>()) {
  QObject::connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, FListener.get(), [this] {
    ForgetContent();
    if (FOnChange) FOnChange();
  });
}

TQtClipboard::~TQtClipboard() = default;

void TQtClipboard::UseSystemSelection(std::function<const QMimeData*()> ASelection) {
  FSystemSelection = std::move(ASelection);
  FListener.reset();
}

void TQtClipboard::SystemSelectionChanged() {
  ForgetContent();
  if (FOnChange) FOnChange();
}

const QMimeData* TQtClipboard::Content() const {
  // The program's own write is answered from Qt's copy: asking the system for it would wait on
  // this very thread to send it.
  if (!FSystemSelection || QGuiApplication::clipboard()->ownsClipboard()) return QtContent();
  return FSystemSelection();
}

void TQtClipboard::ForgetContent() {
  FFormats.reset();
  FOwnerSilent = false;
}

void TQtClipboard::NoteAnswer(bool AEmpty, const QElapsedTimer& AWaited) {
  if (AEmpty && AWaited.elapsed() >= UnansweredAfterMs) FOwnerSilent = true;
}

const QStringList& TQtClipboard::Formats(const QMimeData* AData) {
  if (!FFormats) {
    QElapsedTimer Waited;
    Waited.start();
    FFormats = AData->formats();
    NoteAnswer(FFormats->isEmpty(), Waited);
  }
  return *FFormats;
}

bool TQtClipboard::Offers(const QMimeData* AData, const QString& AFormat) {
  return AData && Formats(AData).contains(AFormat);
}

// As QMimeData::hasText, over the targets asked once.
bool TQtClipboard::OffersText(const QMimeData* AData) { return Offers(AData, PlainTextMime) || Offers(AData, UriListMime); }

QByteArray TQtClipboard::Read(const QMimeData* AData, const QString& AFormat) {
  if (FOwnerSilent) return {};
  QElapsedTimer Waited;
  Waited.start();
  QByteArray Bytes = AData->data(AFormat);
  NoteAnswer(Bytes.isEmpty(), Waited);
  return Bytes;
}

std::optional<QString> TQtClipboard::ReadText(const QMimeData* AData) {
  if (FOwnerSilent || !OffersText(AData)) return std::nullopt;
  QElapsedTimer Waited;
  Waited.start();
  QString Text = AData->text();
  NoteAnswer(Text.isEmpty(), Waited);
  if (FOwnerSilent) return std::nullopt;
  return Text;
}

std::optional<std::u16string> TQtClipboard::ReadBoundedText(const QMimeData* AData) {
  if (!AData || FOwnerSilent || !OffersText(AData)) return std::nullopt;
  // A target the owner does not list is answered empty at once, without a request.
  for (const char* Target : Utf8TextTargets) {
    const QByteArray Bytes = Read(AData, QLatin1String(Target));
    if (!Bytes.isEmpty()) return BoundedTextOfUtf8(Bytes);
  }
  // Other owners (Latin-1 STRING, this program's own data) go through Qt's conversion.
  const std::optional<QString> Text = ReadText(AData);
  if (!Text) return std::nullopt;
  const qsizetype Zero = Text->indexOf(QChar(0));
  CheckCapturedTextLength(static_cast<std::size_t>(Zero < 0 ? Text->size() : Zero));
  return UpToZero(Text->toStdU16String());
}

std::vector<std::u16string> TQtClipboard::LocalPaths(const QMimeData* AData) {
  std::vector<std::u16string> Paths;
  if (Offers(AData, UriListMime)) Paths = LocalPathsOfUriList(Read(AData, UriListMime));
  if (Paths.empty() && Offers(AData, GnomeFilesMime)) Paths = LocalPathsOfGnomeFiles(Read(AData, GnomeFilesMime));
  return Paths;
}

// The mark KeePassXC, KDE's password fields and others put beside a password they copy.
bool TQtClipboard::HasPasswordHint(const QMimeData* AData) {
  return Offers(AData, PasswordHintMime) && Read(AData, PasswordHintMime).trimmed() == "secret";
}

bool TQtClipboard::OffersAnyImage(const QMimeData* AData) {
  if (!AData) return false;
  const QStringList& All = Formats(AData);
  return All.contains(QtImageMime) ||
         std::any_of(All.begin(), All.end(), [](const QString& F) { return F.startsWith(QLatin1String("image/")); });
}

TClipFormat TQtClipboard::RegisterFormat(const std::u16string& AName) {
  if (AName.empty()) return 0;
  if (auto It = FRegistered.find(AName); It != FRegistered.end()) return It->second;
  if (FNextFormat > 0xFFFF) return 0;
  FRegistered[AName] = FNextFormat;
  return FNextFormat++;
}

std::u16string TQtClipboard::FormatName(TClipFormat AFormat) const {
  for (const auto& [Name, Format] : FRegistered)
    if (Format == AFormat) return Name;
  return {};
}

bool TQtClipboard::IsFormatAvailable(TClipFormat AFormat) {
  const QMimeData* Data = Content();
  if (!Data) return false;
  switch (AFormat) {
  case CF_HDROP_FORMAT:
    // Only a list naming local files is a file list; a copied web link is text.
    return !LocalPaths(Data).empty();
  case CF_UNICODETEXT_FORMAT:
  case CF_TEXT_FORMAT:
    return OffersText(Data);
  case CF_BITMAP_FORMAT:
    return OffersAnyImage(Data);
  default:
    break;
  }
  const std::u16string Name = FormatName(AFormat);
  if (Name.empty()) return false;
  if (Name == PngFormatName) return Offers(Data, PngMime);
  if (Name == ExcludeFormatName && HasPasswordHint(Data)) return true;
  return Offers(Data, ToQString(Name));
}

bool TQtClipboard::HasUnicodeText() { return IsFormatAvailable(CF_UNICODETEXT_FORMAT); }

std::u16string TQtClipboard::ReadUnicodeText() {
  TClipboardSession Session(*this);
  if (!Session.IsOpen()) throw TError(u"Cannot open clipboard");
  std::optional<std::u16string> Text = GetUnicodeText();
  if (!Text) throw TError(u"The clipboard holds no text");
  return UpToZero(std::move(*Text));
}

bool TQtClipboard::Open() {
  if (FOpen) return false;
  FOpen = true;
  FEmptied = false;
  FPending.reset();
  return true;
}

void TQtClipboard::Close() {
  if (!FOpen) return;
  FOpen = false;
  if (FPending) {
    // The clipboard takes ownership of the data.
    QGuiApplication::clipboard()->setMimeData(FPending.release(), QClipboard::Clipboard);
  } else if (FEmptied) {
    QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
  }
  FEmptied = false;
}

std::optional<TBytes> TQtClipboard::GetData(TClipFormat AFormat) {
  const QMimeData* Data = Content();
  if (!Data) return std::nullopt;
  switch (AFormat) {
  case CF_HDROP_FORMAT: {
    auto Paths = GetDroppedFiles();
    if (!Paths) return std::nullopt;
    return BuildDropFiles(*Paths);
  }
  case CF_UNICODETEXT_FORMAT:
  case CF_TEXT_FORMAT: {
    const std::optional<std::u16string> Bounded = ReadBoundedText(Data);
    if (!Bounded) return std::nullopt;
    const std::u16string& Text = *Bounded;
    TBytes Block;
    if (AFormat == CF_TEXT_FORMAT) {
      const QByteArray Utf8 = QString::fromStdU16String(Text).toUtf8();
      Block.assign(Utf8.begin(), Utf8.end());
      Block.push_back(0);
      return Block;
    }
    for (char16_t C : Text) {
      Block.push_back(static_cast<std::uint8_t>(C & 0xFF));
      Block.push_back(static_cast<std::uint8_t>(C >> 8));
    }
    Block.insert(Block.end(), {0, 0});
    return Block;
  }
  default:
    break;
  }
  const std::u16string Name = FormatName(AFormat);
  if (Name.empty()) return std::nullopt;
  const QString Target = Name == PngFormatName ? PngMime : ToQString(Name);
  if (!Offers(Data, Target)) return std::nullopt;
  return ToBytes(Read(Data, Target));
}

std::optional<std::u16string> TQtClipboard::GetUnicodeText() {
  const QMimeData* Data = Content();
  if (!Data) return std::nullopt;
  // A text the owner never delivered is a failed read, not an empty text.
  return ReadBoundedText(Data);
}

std::optional<std::vector<std::u16string>> TQtClipboard::GetDroppedFiles() {
  const QMimeData* Data = Content();
  if (!Data) return std::nullopt;
  std::vector<std::u16string> Paths;
  std::size_t TotalLength = 0;
  for (std::u16string& Path : LocalPaths(Data))
    if (!Path.empty()) {
      Paths.push_back(CutPath(std::move(Path)));
      TotalLength += Paths.back().size();
    }
  if (Paths.empty()) return std::nullopt;
  CheckCapturedFileListLength(JoinedFileListLength(TotalLength, Paths.size()));
  return Paths;
}

std::optional<TImage> TQtClipboard::GetBitmap() {
  const QMimeData* Data = Content();
  if (!Data) return std::nullopt;
  const QString Target = ImageTargetOf(Formats(Data));
  if (!Target.isEmpty()) {
    const QByteArray Bytes = Read(Data, Target);
    if (Bytes.isEmpty()) throw TError(u"The clipboard's " + Target.toStdU16String() + u" is empty");
    // The bytes tell their format; the target's name may not.
    return ReadImage(Bytes, nullptr);
  }
  // A picture another Qt program of this process put as an image object only.
  if (Offers(Data, QtImageMime)) {
    const QImage Image = qvariant_cast<QImage>(Data->imageData());
    if (Image.isNull()) throw TError(u"The clipboard's image cannot be read");
    CheckImageBounds(Image.width(), Image.height());
    return FromQImage(Image);
  }
  return std::nullopt;
}

QMimeData& TQtClipboard::PendingWrite() {
  if (!FPending) FPending = std::make_unique<QMimeData>();
  return *FPending;
}

void TQtClipboard::Empty() {
  if (!FOpen) return;
  FEmptied = true;
  FPending.reset();
}

void TQtClipboard::SetData(TClipFormat AFormat, const TBytes& AData) {
  if (!FOpen) throw TError(u"The clipboard is not open");
  switch (AFormat) {
  case CF_HDROP_FORMAT: {
    const std::vector<std::u16string> Paths = ParseDropFiles(AData);
    QByteArray UriList, GnomeFiles = "copy";
    for (const std::u16string& Path : Paths) {
      const QByteArray Uri = QUrl::fromLocalFile(ToQString(Path)).toEncoded();
      UriList += Uri + "\r\n";
      GnomeFiles += "\n" + Uri;
    }
    QMimeData& Pending = PendingWrite();
    Pending.setData(UriListMime, UriList);
    Pending.setData(GnomeFilesMime, GnomeFiles);
    return;
  }
  case CF_UNICODETEXT_FORMAT: {
    std::u16string Text;
    for (std::size_t I = 0; I + 1 < AData.size(); I += 2) Text += static_cast<char16_t>(AData[I] | AData[I + 1] << 8);
    SetUnicodeText(Text);
    return;
  }
  case CF_TEXT_FORMAT: {
    const QByteArray Bytes = ToByteArray(AData);
    PendingWrite().setText(QString::fromUtf8(Bytes.left(Bytes.indexOf('\0') < 0 ? Bytes.size() : Bytes.indexOf('\0'))));
    return;
  }
  case CF_BITMAP_FORMAT:
    throw TError(u"A bitmap is put with SetBitmap");
  default:
    break;
  }
  const std::u16string Name = FormatName(AFormat);
  if (Name.empty()) throw TError(u"Unknown clipboard format " + IntToStr(AFormat));
  PendingWrite().setData(Name == PngFormatName ? PngMime : ToQString(Name), ToByteArray(AData));
}

bool TQtClipboard::SetUnicodeText(const std::u16string& AText) {
  if (!FOpen) return false;
  // Readers of the desktop the program was made for stop at the first zero character.
  PendingWrite().setText(ToQString(UpToZero(AText)));
  return true;
}

void TQtClipboard::SetBitmap(const TImage& AImage) {
  if (!FOpen) throw TError(u"The clipboard is not open");
  const QImage Image = ToQImage(AImage);
  TQtImaging Imaging;
  const TBytes Png = Imaging.EncodePng(AImage);
  QMimeData& Pending = PendingWrite();
  // The PNG bytes go out as they are; Qt offers the image object in its other formats too.
  Pending.setImageData(Image);
  Pending.setData(PngMime, ToByteArray(Png));
}

} // namespace vm
