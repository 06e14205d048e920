#include "platform/linux/qt_message_boxes.h"

#include <QPushButton>

#include "platform/linux/qt_ui_support.h"

namespace vm {

namespace {

std::unique_ptr<QMessageBox> MakeBox(QMessageBox::Icon AIcon, const std::u16string& ACaption,
                                     const std::u16string& AText) {
  auto Box = std::make_unique<QMessageBox>();
  Box->setIcon(AIcon);
  Box->setWindowTitle(ui::Qs(ACaption));
  // Messages carry file names and texts from elsewhere: never read as rich text.
  Box->setTextFormat(Qt::PlainText);
  Box->setText(ui::Qs(AText));
  return Box;
}

std::unique_ptr<QMessageBox> MakeOkBox(QMessageBox::Icon AIcon, const std::u16string& ACaption,
                                       const std::u16string& AText) {
  auto Box = MakeBox(AIcon, ACaption, AText);
  QPushButton* Ok = Box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  Box->setDefaultButton(Ok);
  Box->setEscapeButton(Ok);
  return Box;
}

} // namespace

std::unique_ptr<QMessageBox> TQtMessageBoxes::MakeErrorBox(const std::u16string& AText) {
  return MakeOkBox(QMessageBox::Critical, ApplicationTitle, AText);
}

std::unique_ptr<QMessageBox> TQtMessageBoxes::MakeWarningBox(const std::u16string& ACaption,
                                                             const std::u16string& AText) {
  return MakeOkBox(QMessageBox::Warning, ACaption, AText);
}

std::unique_ptr<QMessageBox> TQtMessageBoxes::MakeConfirmation(const TConfirmation& AConfirmation,
                                                              QAbstractButton*& AYes) {
  auto Box = MakeBox(QMessageBox::NoIcon, AConfirmation.Title, AConfirmation.Text);
  // "(&Y)": Qt underlines the letter and makes it the button's access key.
  QPushButton* Yes = Box->addButton(ui::Qs(AConfirmation.YesCaption), QMessageBox::YesRole);
  QPushButton* No = Box->addButton(ui::Qs(AConfirmation.NoCaption), QMessageBox::NoRole);
  Box->setDefaultButton(Yes);
  // Esc and the close box answer No.
  Box->setEscapeButton(No);
  AYes = Yes;
  return Box;
}

void TQtMessageBoxes::ShowError(const std::u16string& AText) { MakeErrorBox(AText)->exec(); }

void TQtMessageBoxes::ShowWarning(const std::u16string& ACaption, const std::u16string& AText) {
  MakeWarningBox(ACaption, AText)->exec();
}

bool TQtMessageBoxes::ConfirmYesNo(const TConfirmation& AConfirmation) {
  QAbstractButton* Yes = nullptr;
  const std::unique_ptr<QMessageBox> Box = MakeConfirmation(AConfirmation, Yes);
  Box->exec();
  return Box->clickedButton() == Yes;
}

} // namespace vm
