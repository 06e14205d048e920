// The paste target of the end-to-end tests: one focused line edit whose text is written to a file
// (argv[1]) after every change, so that a test can wait for what arrived.
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QSaveFile>
#include <QVBoxLayout>
#include <QWidget>

namespace {

void Report(const QString& AFile, const QString& AText) {
  // Written aside and renamed, so that a reader never sees half a text.
  QSaveFile Out(AFile);
  if (!Out.open(QIODevice::WriteOnly)) return;
  Out.write(AText.toUtf8());
  Out.commit();
}

} // namespace

int main(int argc, char** argv) {
  QApplication App(argc, argv);
  if (argc < 2) return 2;
  const QString ReportFile = QString::fromLocal8Bit(argv[1]);

  QWidget Window;
  Window.setWindowTitle(QStringLiteral("Vellomarch E2E Target"));
  auto* Layout = new QVBoxLayout(&Window);
  auto* Edit = new QLineEdit(&Window);
  Layout->addWidget(Edit);
  Window.resize(480, 60);
  QObject::connect(Edit, &QLineEdit::textChanged, [&](const QString& AText) { Report(ReportFile, AText); });
  Report(ReportFile, QString());
  Window.show();
  Edit->setFocus();
  return App.exec();
}
