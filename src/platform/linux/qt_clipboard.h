#pragma once
// The desktop clipboard (the CLIPBOARD selection) through QClipboard, seen through the numbered
// formats the core asks for:
//   CF_HDROP                  text/uri-list (or x-special/gnome-copied-files) naming local files
//   CF_UNICODETEXT, CF_TEXT   text (Qt's text/plain, UTF-8)
//   "PNG"                     image/png
//   CF_BITMAP                 any image/* target
//   other registered names    a target of exactly that name; "ExcludeClipboardContentFromMonitor-
//                             Processing" also when the password managers' mark
//                             x-kde-passwordManagerHint says "secret"
// Writes between Open and Close are gathered and published at Close as one QMimeData, so that
// another program never sees half of a write and the program sees one change per write.
#include <QByteArray>
#include <QObject>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/clipboard.h"

class QElapsedTimer;
class QMimeData;

namespace vm {

class TQtClipboard final : public IClipboard {
public:
  using TChangeHandler = std::function<void()>;

  // Needs the application object. AOnChange is called on every change of the clipboard,
  // including the program's own writes (once per write sequence).
  explicit TQtClipboard(TChangeHandler AOnChange = {});
  ~TQtClipboard() override;
  TQtClipboard(const TQtClipboard&) = delete;
  TQtClipboard& operator=(const TQtClipboard&) = delete;

  // The program wires this to TVellomarchFrm::WMClipboardUpdate once the main window exists.
  void SetOnChange(TChangeHandler AOnChange) { FOnChange = std::move(AOnChange); }
  // Where Qt does not see the system's clipboard (a Wayland client sees it only while it has the
  // focus), the content comes from ASelection whenever the program does not own the clipboard,
  // and whoever gives it reports each change through SystemSelectionChanged; Qt's own change
  // signal is no longer heard.
  void UseSystemSelection(std::function<const QMimeData*()> ASelection);
  void SystemSelectionChanged();

  bool HasUnicodeText() override;
  std::u16string ReadUnicodeText() override;

  // Numbers from 0xC000 upwards, one per name (names compared exactly, as X11 targets are).
  TClipFormat RegisterFormat(const std::u16string& AName) override;
  bool IsFormatAvailable(TClipFormat AFormat) override;

  // Fails only while an earlier Open has not been closed: X11 has no clipboard lock that
  // another program could hold.
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
  std::u16string FormatName(TClipFormat AFormat) const;
  const QMimeData* Content() const;
  QMimeData& PendingWrite();

  // The present content's targets are asked of its owner once per content: Qt asks again on
  // every question while the answer is empty, and waits for a hung owner each time.
  void ForgetContent();
  const QStringList& Formats(const QMimeData* AData);
  bool Offers(const QMimeData* AData, const QString& AFormat);
  bool OffersText(const QMimeData* AData);
  bool OffersAnyImage(const QMimeData* AData);
  // An owner that left one request unanswered is asked nothing more until the content changes:
  // these then give nothing at once.
  void NoteAnswer(bool AEmpty, const QElapsedTimer& AWaited);
  QByteArray Read(const QMimeData* AData, const QString& AFormat);
  std::optional<QString> ReadText(const QMimeData* AData);
  // The text up to its first zero character; throws TError above the captured-text bound, measured
  // before the text is converted where the owner offers UTF-8.
  std::optional<std::u16string> ReadBoundedText(const QMimeData* AData);
  std::vector<std::u16string> LocalPaths(const QMimeData* AData);
  bool HasPasswordHint(const QMimeData* AData);

  TChangeHandler FOnChange;
  std::map<std::u16string, TClipFormat> FRegistered;
  TClipFormat FNextFormat = 0xC000;
  bool FOpen = false;
  bool FEmptied = false;
  std::unique_ptr<QMimeData> FPending;
  std::optional<QStringList> FFormats;
  bool FOwnerSilent = false;
  std::function<const QMimeData*()> FSystemSelection;
  // Receiver of QClipboard::dataChanged; going with this object, it ends the subscription.
  std::unique_ptr<QObject> FListener;
};

// The paths of a CF_HDROP block (DROPFILES header, then zero-terminated paths and an empty one
// at the end; UTF-16 when fWide is set, else 8-bit). Throws TError on a malformed block.
std::vector<std::u16string> ParseDropFiles(const TBytes& ABlock);

// The local paths a text/uri-list names, in order, percent-decoded; comments, blank lines and
// URLs of other schemes are left out.
std::vector<std::u16string> LocalPathsOfUriList(const QByteArray& AUriList);

// The same for GNOME's x-special/gnome-copied-files: a first line "copy" or "cut", then the URLs.
std::vector<std::u16string> LocalPathsOfGnomeFiles(const QByteArray& AData);

} // namespace vm
