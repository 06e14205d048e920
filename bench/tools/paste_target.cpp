// The window pasted into: a line edit that prints, for every change of its text, the monotonic
// clock in nanoseconds and the text, one line each, so that a paste can be timed from the key
// press that caused it.
#include <QApplication>
#include <QLineEdit>

#include <cstdio>
#include <ctime>

namespace {

long long MonotonicNs() {
  timespec Now{};
  clock_gettime(CLOCK_MONOTONIC, &Now);
  return Now.tv_sec * 1000000000LL + Now.tv_nsec;
}

} // namespace

int main(int argc, char** argv) {
  QApplication App(argc, argv);
  QLineEdit Edit;
  Edit.setWindowTitle(QStringLiteral("BenchPasteTarget"));
  Edit.resize(400, 40);
  QObject::connect(&Edit, &QLineEdit::textChanged, [](const QString& AText) {
    std::printf("%lld %s\n", MonotonicNs(), AText.toUtf8().constData());
    std::fflush(stdout);
  });
  Edit.show();
  return App.exec();
}
