// Holds the CLIPBOARD with several formats at once, as password managers and office programs do
// (xclip offers only one). Usage: e2e_clip_owner FORMAT VALUE [FORMAT VALUE ...]; a VALUE of the
// form @PATH takes the bytes of that file, "u32:N" a 32-bit little-endian number. Runs until
// it is killed or another program takes the clipboard.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QMimeData>

#include <cstdint>
#include <cstring>

int main(int argc, char** argv) {
  QApplication App(argc, argv);
  if (argc < 3 || argc % 2 == 0) return 2;
  auto* Data = new QMimeData;
  for (int I = 1; I + 1 < argc; I += 2) {
    const QString Format = QString::fromUtf8(argv[I]);
    const char* Value = argv[I + 1];
    QByteArray Bytes;
    if (Value[0] == '@') {
      QFile In(QString::fromLocal8Bit(Value + 1));
      if (!In.open(QIODevice::ReadOnly)) return 3;
      Bytes = In.readAll();
    } else if (std::strncmp(Value, "u32:", 4) == 0) {
      const std::uint32_t N = static_cast<std::uint32_t>(std::strtoul(Value + 4, nullptr, 10));
      for (int Shift = 0; Shift < 32; Shift += 8) Bytes.append(static_cast<char>((N >> Shift) & 0xFF));
    } else {
      Bytes = QByteArray(Value);
    }
    Data->setData(Format, Bytes);
  }
  QClipboard* Clipboard = QApplication::clipboard();
  Clipboard->setMimeData(Data, QClipboard::Clipboard);
  QObject::connect(Clipboard, &QClipboard::dataChanged, [&] {
    if (!Clipboard->ownsClipboard()) App.quit();
  });
  return App.exec();
}
