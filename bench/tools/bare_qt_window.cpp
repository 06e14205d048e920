// The smallest Qt 6 Widgets program with one window: what any such program costs in memory and
// start-up on this desktop, the floor the clipboard tools are compared with.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication App(argc, argv);
  QWidget Window;
  Window.setWindowTitle(QStringLiteral("BenchBareWindow"));
  Window.resize(200, 100);
  Window.show();
  return App.exec();
}
