// Changes the CLIPBOARD over and over from one process, as a program that copies in a loop does:
// text number 0, 1, 2, … each replaces the one before, at a steady or a random pace. One owner
// keeps the order of the texts on the clipboard exactly the order in which they were set, which
// separate xclip processes racing for the selection cannot promise.
//
// Usage: e2e_clip_stream PREFIX COUNT MIN_MS MAX_MS [LARGE_EVERY LARGE_BYTES [SEED]]
//   text i is PREFIX followed by i in six digits; every LARGE_EVERY-th text is padded with
//   LARGE_BYTES more characters. COUNT 0 runs until killed. Each interval is drawn from
//   MIN_MS..MAX_MS. After the last text "done" is printed and the text is held until another
//   program takes the clipboard.
#include <QApplication>
#include <QClipboard>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <random>

namespace {

QString NumberedText(const QString& APrefix, long long AIndex, int ALargeEvery, int ALargeBytes) {
  QString Text = APrefix + QString::number(AIndex).rightJustified(6, u'0');
  if (ALargeEvery > 0 && AIndex % ALargeEvery == ALargeEvery - 1) Text += QString(ALargeBytes, u'x');
  return Text;
}

} // namespace

int main(int argc, char** argv) {
  QApplication App(argc, argv);
  if (argc < 5) return 2;
  const QString Prefix = QString::fromUtf8(argv[1]);
  const long long Count = std::atoll(argv[2]);
  const int MinMs = std::atoi(argv[3]);
  const int MaxMs = std::max(MinMs, std::atoi(argv[4]));
  const int LargeEvery = argc > 6 ? std::atoi(argv[5]) : 0;
  const int LargeBytes = argc > 6 ? std::atoi(argv[6]) : 0;
  std::mt19937 Random(argc > 7 ? static_cast<unsigned>(std::atoll(argv[7])) : 1u);
  std::uniform_int_distribution<int> Interval(MinMs, MaxMs);

  QClipboard* Clipboard = QApplication::clipboard();
  long long Next = 0;
  bool Finished = false;
  QTimer Timer;
  Timer.setSingleShot(true);
  Timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&Timer, &QTimer::timeout, [&] {
    Clipboard->setText(NumberedText(Prefix, Next, LargeEvery, LargeBytes), QClipboard::Clipboard);
    ++Next;
    if (Count > 0 && Next >= Count) {
      Finished = true;
      std::printf("done\n");
      std::fflush(stdout);
      return;
    }
    Timer.start(Interval(Random));
  });
  QObject::connect(Clipboard, &QClipboard::dataChanged, [&] {
    if (Finished && !Clipboard->ownsClipboard()) App.quit();
  });
  Timer.start(0);
  return App.exec();
}
