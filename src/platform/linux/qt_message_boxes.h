#pragma once
// The message boxes: the application's standard error box, the warning box with one "OK" button
// and the Yes/No confirmation.
#include <QMessageBox>

#include <memory>

#include "platform/dialogs.h"

namespace vm {

class TQtMessageBoxes final : public IMessageBoxes {
public:
  // The application's name, the caption of its standard error box.
  static constexpr char16_t ApplicationTitle[] = u"Vellomarch";

  // The boxes as they are shown, for looking at them without running them.
  static std::unique_ptr<QMessageBox> MakeErrorBox(const std::u16string& AText);
  static std::unique_ptr<QMessageBox> MakeWarningBox(const std::u16string& ACaption, const std::u16string& AText);
  static std::unique_ptr<QMessageBox> MakeConfirmation(const TConfirmation& AConfirmation, QAbstractButton*& AYes);

  void ShowError(const std::u16string& AText) override;
  void ShowWarning(const std::u16string& ACaption, const std::u16string& AText) override;
  bool ConfirmYesNo(const TConfirmation& AConfirmation) override;
};

} // namespace vm
