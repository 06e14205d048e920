#include "platform/linux/settings_dialog_window.h"

#include <QContextMenuEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include "app/app_texts.h"
#include "platform/linux/qt_key_codes.h"
#include "platform/linux/qt_message_boxes.h"
#include "platform/linux/qt_ui_support.h"

namespace vm {

namespace {

// The one caption this dialog adds: the tables' context menu item.
constexpr char16_t DeleteRowCaption[] = u"行を削除";

bool OnlyKeypad(Qt::KeyboardModifiers AModifiers) {
  return (AModifiers & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

// --- TNumberEdit --------------------------------------------------------------------------------

TNumberEdit::TNumberEdit(QWidget* AParent) : QLineEdit(AParent) {
  // An input method would bring text around the key filter.
  setAttribute(Qt::WA_InputMethodEnabled, false);
  setInputMethodHints(Qt::ImhDigitsOnly);
}

void TNumberEdit::keyPressEvent(QKeyEvent* AEvent) {
  const QString Text = AEvent->text();
  // Printable characters other than digits are refused; editing keys and shortcuts (paste
  // included) go through.
  const bool Printable = !Text.isEmpty() && Text.at(0).isPrint() &&
                         !AEvent->modifiers().testAnyFlags(Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  if (Printable) {
    for (const QChar C : Text)
      if (C < QLatin1Char('0') || C > QLatin1Char('9')) {
        AEvent->accept();
        return;
      }
  }
  QLineEdit::keyPressEvent(AEvent);
}

// --- THotKeyField -------------------------------------------------------------------------------

THotKeyField::THotKeyField(QWidget* AParent) : QKeySequenceEdit(AParent) {
  FDisplay = findChild<QLineEdit*>();
  // Qt's "Press shortcut" would stand in English in an empty field.
  if (FDisplay) FDisplay->setPlaceholderText(QString());
}

void THotKeyField::SetShortCut(TShortCut AShortCut) {
  FShortCut = AShortCut;
  if (FDisplay) FDisplay->setText(ui::Qs(ShortCutToText(AShortCut)));
}

QString THotKeyField::Text() const { return FDisplay ? FDisplay->text() : QString(); }

THotKeyField::TKeyAction THotKeyField::ActionForKey(int AQtKey, Qt::KeyboardModifiers AModifiers) {
  const bool CtrlOrAlt = AModifiers.testAnyFlags(Qt::ControlModifier | Qt::AltModifier);
  if ((AQtKey == Qt::Key_Tab || AQtKey == Qt::Key_Backtab) && !CtrlOrAlt) return TKeyAction::MoveFocus;
  if ((AQtKey == Qt::Key_Escape || AQtKey == Qt::Key_Return || AQtKey == Qt::Key_Enter) && OnlyKeypad(AModifiers))
    return TKeyAction::PassOn;
  if ((AQtKey == Qt::Key_Backspace || AQtKey == Qt::Key_Delete) && OnlyKeypad(AModifiers)) return TKeyAction::Clear;
  if (ui::ShortCutFromQtKey(AQtKey, AModifiers) == 0) return TKeyAction::Ignore;
  return TKeyAction::Record;
}

bool THotKeyField::event(QEvent* AEvent) {
  if (AEvent->type() == QEvent::ShortcutOverride) {
    // The keys the field records must reach it as key presses, not as shortcuts elsewhere.
    auto* Key = static_cast<QKeyEvent*>(AEvent);
    const TKeyAction Action = ActionForKey(ui::UnshiftedQtKey(*Key), Key->modifiers());
    if (Action == TKeyAction::Record || Action == TKeyAction::Clear) AEvent->accept();
    else AEvent->ignore();
    return true;
  }
  if (AEvent->type() == QEvent::KeyPress) {
    auto* Key = static_cast<QKeyEvent*>(AEvent);
    const TKeyAction Action = ActionForKey(ui::UnshiftedQtKey(*Key), Key->modifiers());
    if (Action == TKeyAction::MoveFocus) {
      focusNextPrevChild(Key->key() == Qt::Key_Tab && !Key->modifiers().testFlag(Qt::ShiftModifier));
      return true;
    }
    if (Action == TKeyAction::PassOn) {
      AEvent->ignore();
      return false;
    }
    keyPressEvent(Key);
    return true;
  }
  return QKeySequenceEdit::event(AEvent);
}

void THotKeyField::keyPressEvent(QKeyEvent* AEvent) {
  const int Key = ui::UnshiftedQtKey(*AEvent);
  switch (ActionForKey(Key, AEvent->modifiers())) {
  case TKeyAction::Clear:
    SetShortCut(0);
    emit ShortCutChanged(0);
    break;
  case TKeyAction::Record:
    SetShortCut(ui::ShortCutFromQtKey(Key, AEvent->modifiers()));
    emit ShortCutChanged(FShortCut);
    break;
  case TKeyAction::PassOn:
  case TKeyAction::MoveFocus:
    AEvent->ignore();
    return;
  case TKeyAction::Ignore:
    break;
  }
  AEvent->accept();
}

void THotKeyField::keyReleaseEvent(QKeyEvent* AEvent) { AEvent->accept(); }

void THotKeyField::focusInEvent(QFocusEvent* AEvent) {
  QKeySequenceEdit::focusInEvent(AEvent);
  if (OnFocusChange) OnFocusChange(true);
}

void THotKeyField::focusOutEvent(QFocusEvent* AEvent) {
  QKeySequenceEdit::focusOutEvent(AEvent);
  // Qt's recording may have put its own text there; the field shows what it holds.
  SetShortCut(FShortCut);
  if (OnFocusChange) OnFocusChange(false);
}

// --- TNameValueTable ----------------------------------------------------------------------------

TNameValueTable::TNameValueTable(const TNameValueColumns& AColumns, int ADpi, QWidget* AParent)
    : QTableWidget(0, 2, AParent) {
  setHorizontalHeaderLabels({ui::Qs(AColumns.NameTitle), ui::Qs(AColumns.ValueTitle)});
  setColumnWidth(0, ui::ScaleFromDesign(AColumns.NameWidth, ADpi));
  setColumnWidth(1, ui::ScaleFromDesign(AColumns.ValueWidth, ADpi));
  horizontalHeader()->setStretchLastSection(false);
  horizontalHeader()->setHighlightSections(false);
  verticalHeader()->setVisible(false);
  verticalHeader()->setDefaultSectionSize(ui::ScaleFromDesign(20, ADpi));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
  setTabKeyNavigation(false);
  setWordWrap(false);
  connect(this, &QTableWidget::cellChanged, this, &TNameValueTable::CellEdited);
  EnsureEmptyLastRow();
}

std::u16string TNameValueTable::CellText(int ARow, int ACol) const {
  const QTableWidgetItem* Item = item(ARow, ACol);
  return Item ? ui::U16(Item->text()) : std::u16string();
}

void TNameValueTable::SetCellText(int ARow, int ACol, const std::u16string& AText) {
  auto* Item = new QTableWidgetItem(ui::Qs(AText));
  // The last accepted name, to put back when an edit is refused.
  if (ACol == 0) Item->setData(Qt::UserRole, ui::Qs(AText));
  setItem(ARow, ACol, Item);
}

void TNameValueTable::SetRows(const TTemplateRows& ARows) {
  FFilling = true;
  setRowCount(0);
  setRowCount(static_cast<int>(ARows.size()));
  for (int Row = 0; Row < static_cast<int>(ARows.size()); ++Row) {
    SetCellText(Row, 0, ARows[static_cast<std::size_t>(Row)].first);
    SetCellText(Row, 1, ARows[static_cast<std::size_t>(Row)].second);
  }
  FFilling = false;
  EnsureEmptyLastRow();
}

TTemplateRows TNameValueTable::Rows() const {
  TTemplateRows Rows;
  for (int Row = 0; Row < rowCount(); ++Row) Rows.emplace_back(CellText(Row, 0), CellText(Row, 1));
  if (!Rows.empty() && Rows.back().first.empty() && Rows.back().second.empty()) Rows.pop_back();
  return Rows;
}

void TNameValueTable::EnsureEmptyLastRow() {
  FFilling = true;
  const auto Empty = [this](int ARow) { return CellText(ARow, 0).empty() && CellText(ARow, 1).empty(); };
  while (rowCount() >= 2 && Empty(rowCount() - 1) && Empty(rowCount() - 2)) removeRow(rowCount() - 1);
  if (rowCount() == 0 || !Empty(rowCount() - 1)) {
    const int Row = rowCount();
    insertRow(Row);
    SetCellText(Row, 0, {});
    SetCellText(Row, 1, {});
  }
  FFilling = false;
}

void TNameValueTable::CellEdited(int ARow, int ACol) {
  if (FFilling) return;
  if (ACol == 0) {
    QTableWidgetItem* Item = item(ARow, 0);
    const std::u16string Name = CellText(ARow, 0);
    const std::u16string Message = CheckName ? CheckName(Rows(), ARow, Name) : std::u16string();
    if (!Message.empty()) {
      // Put back at once, so that a refused name is never in the table; the message waits
      // until the editor has closed.
      FFilling = true;
      if (Item) Item->setText(Item->data(Qt::UserRole).toString());
      FFilling = false;
      QMetaObject::invokeMethod(
          this,
          [this, Message] {
            if (OnRefused) OnRefused(Message);
          },
          Qt::QueuedConnection);
      return;
    }
    if (Item) {
      FFilling = true;
      Item->setData(Qt::UserRole, Item->text());
      FFilling = false;
    }
  }
  EnsureEmptyLastRow();
}

void TNameValueTable::DeleteRow(int ARow) {
  if (ARow < 0 || ARow >= static_cast<int>(Rows().size())) return;
  FFilling = true;
  removeRow(ARow);
  FFilling = false;
  EnsureEmptyLastRow();
}

int TNameValueTable::FirstRefusedRow(std::u16string& AMessage) const {
  if (!CheckName) return -1;
  const TTemplateRows Current = Rows();
  for (int Row = 0; Row < static_cast<int>(Current.size()); ++Row) {
    AMessage = CheckName(Current, Row, Current[static_cast<std::size_t>(Row)].first);
    if (!AMessage.empty()) return Row;
  }
  AMessage.clear();
  return -1;
}

void TNameValueTable::keyPressEvent(QKeyEvent* AEvent) {
  if (AEvent->key() == Qt::Key_Delete && AEvent->modifiers().testFlag(Qt::ControlModifier) &&
      state() != QAbstractItemView::EditingState) {
    DeleteRow(currentRow());
    return;
  }
  QTableWidget::keyPressEvent(AEvent);
}

void TNameValueTable::contextMenuEvent(QContextMenuEvent* AEvent) {
  const int Row = rowAt(viewport()->mapFromGlobal(AEvent->globalPos()).y());
  QMenu Menu;
  QAction* Delete = Menu.addAction(ui::Qs(std::u16string_view(DeleteRowCaption)));
  Delete->setEnabled(Row >= 0 && Row < static_cast<int>(Rows().size()));
  if (Menu.exec(AEvent->globalPos()) == Delete) DeleteRow(Row);
}

// --- TSettingsDialogWindow ----------------------------------------------------------------------

TSettingsDialogWindow::TSettingsDialogWindow(int ADpi) : FDpi(ADpi > 0 ? ADpi : ui::ScreenDpi()) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setObjectName(QStringLiteral("TSettingsFrm"));
  setWindowTitle(ui::Qs(TSettingsFrmDesign::Caption));
  setWindowIcon(ui::ProgramIcon());
  setModal(true);
  setFont(ui::DialogFont(Scale(TSettingsFrmDesign::FontPixelHeight)));
  setFixedSize(Scale(TSettingsFrmDesign::ClientWidth), Scale(TSettingsFrmDesign::ClientHeight));
  ShowWarning = [this](const std::u16string& ACaption, const std::u16string& AText) {
    const std::unique_ptr<QMessageBox> Box = TQtMessageBoxes::MakeWarningBox(ACaption, AText);
    Box->setParent(this, Qt::Dialog);
    Box->exec();
  };
  FRecordingEnd.setSingleShot(true);
  FRecordingEnd.setInterval(0);
  connect(&FRecordingEnd, &QTimer::timeout, this, [this] { SetRecording(false); });
  Build();
}

TSettingsDialogWindow::~TSettingsDialogWindow() {
  FRecordingEnd.stop();
  SetRecording(false);
}

int TSettingsDialogWindow::Scale(int APixels) const { return ui::ScaleFromDesign(APixels, FDpi); }

void TSettingsDialogWindow::Build() {
  for (const TSettingsControl& Design : SettingsFrmControls) {
    QWidget* Parent = this;
    if (!Design.Parent.empty()) {
      const auto It = FControls.find(std::u16string(Design.Parent));
      if (It != FControls.end()) Parent = It->second;
    }
    const QRect Bounds(Scale(Design.Left), Scale(Design.Top), Scale(Design.Width), Scale(Design.Height));
    QWidget* Control = nullptr;
    switch (Design.Kind) {
    case TSettingsControlKind::GroupBox:
      Control = new QGroupBox(ui::Qs(Design.Caption), Parent);
      Control->setGeometry(Bounds);
      break;
    case TSettingsControlKind::Label: {
      auto* Label = new QLabel(ui::Qs(Design.Caption), Parent);
      Label->setTextFormat(Qt::PlainText);
      Label->adjustSize();
      // One line of the dialog's font; as wide as the text unless the design gives a width.
      const int Width = Design.Width > 0 ? Scale(Design.Width) : Label->sizeHint().width();
      Label->setGeometry(Bounds.left(), Bounds.top(), Width, Label->fontMetrics().height());
      Control = Label;
      break;
    }
    case TSettingsControlKind::NumberEdit: {
      auto* Edit = new TNumberEdit(Parent);
      Edit->setText(ui::Qs(Design.Caption));
      Edit->setGeometry(Bounds);
      Control = Edit;
      break;
    }
    case TSettingsControlKind::HotKeyField: {
      auto* Field = new THotKeyField(Parent);
      Field->setGeometry(Bounds);
      Field->OnFocusChange = [this](bool AFocused) { HotKeyFocusChanged(AFocused); };
      Control = Field;
      break;
    }
    case TSettingsControlKind::NameValueTable: {
      auto* Table = new TNameValueTable(*Design.Columns, FDpi, Parent);
      Table->setGeometry(Bounds);
      Table->OnRefused = [this](const std::u16string& AMessage) {
        ShowWarning(TQtMessageBoxes::ApplicationTitle, AMessage);
      };
      Control = Table;
      break;
    }
    case TSettingsControlKind::Button: {
      auto* Button = new QPushButton(ui::Qs(Design.Caption), Parent);
      Button->setGeometry(Bounds);
      if (Design.IsDefault) {
        Button->setDefault(true);
        connect(Button, &QPushButton::clicked, this, [this] { OKBtnClick(); });
      }
      if (Design.IsCancel) connect(Button, &QPushButton::clicked, this, &QDialog::reject);
      Control = Button;
      break;
    }
    }
    if (!Control) continue;
    Control->setObjectName(ui::Qs(Design.Name));
    FControls[std::u16string(Design.Name)] = Control;
  }
}

QWidget* TSettingsDialogWindow::Control(std::u16string_view AName) const {
  const auto It = FControls.find(std::u16string(AName));
  return It == FControls.end() ? nullptr : It->second;
}

QWidget* TSettingsDialogWindow::FieldControl(TSettingsField AField) const {
  if (AField == TSettingsField::None) return nullptr;
  for (const TSettingsControl& Design : SettingsFrmControls)
    if (Design.Field == AField) return Control(Design.Name);
  return nullptr;
}

void TSettingsDialogWindow::SetNameCheck(const TNameCheck& ACheck) {
  for (const char16_t* Name : {u"TextTemplatesVLE", u"ImageTemplatesVLE"})
    if (auto* Table = qobject_cast<TNameValueTable*>(Control(Name))) Table->CheckName = ACheck;
}

void TSettingsDialogWindow::SetFields(const TSettingsFields& AFields) {
  const auto SetEdit = [this](TSettingsField AField, const std::u16string& AText) {
    if (auto* Edit = qobject_cast<QLineEdit*>(FieldControl(AField))) Edit->setText(ui::Qs(AText));
  };
  SetEdit(TSettingsField::MaxItems, AFields.MaxItemsText);
  SetEdit(TSettingsField::Width, AFields.WidthText);
  SetEdit(TSettingsField::RowHeight, AFields.RowHeightText);
  if (auto* Field = qobject_cast<THotKeyField*>(FieldControl(TSettingsField::HotKeyShow)))
    Field->SetShortCut(AFields.HotKeyShow);
  if (auto* Field = qobject_cast<THotKeyField*>(FieldControl(TSettingsField::HotKeyQuit)))
    Field->SetShortCut(AFields.HotKeyQuit);
  if (auto* Table = qobject_cast<TNameValueTable*>(Control(u"TextTemplatesVLE"))) Table->SetRows(AFields.TextTemplates);
  if (auto* Table = qobject_cast<TNameValueTable*>(Control(u"ImageTemplatesVLE")))
    Table->SetRows(AFields.ImageTemplates);
}

TSettingsFields TSettingsDialogWindow::Fields() const {
  TSettingsFields Fields;
  const auto EditText = [this](TSettingsField AField) {
    const auto* Edit = qobject_cast<const QLineEdit*>(FieldControl(AField));
    return Edit ? ui::U16(Edit->text()) : std::u16string();
  };
  Fields.MaxItemsText = EditText(TSettingsField::MaxItems);
  Fields.WidthText = EditText(TSettingsField::Width);
  Fields.RowHeightText = EditText(TSettingsField::RowHeight);
  if (const auto* Field = qobject_cast<const THotKeyField*>(FieldControl(TSettingsField::HotKeyShow)))
    Fields.HotKeyShow = Field->ShortCut();
  if (const auto* Field = qobject_cast<const THotKeyField*>(FieldControl(TSettingsField::HotKeyQuit)))
    Fields.HotKeyQuit = Field->ShortCut();
  if (const auto* Table = qobject_cast<const TNameValueTable*>(Control(u"TextTemplatesVLE")))
    Fields.TextTemplates = Table->Rows();
  if (const auto* Table = qobject_cast<const TNameValueTable*>(Control(u"ImageTemplatesVLE")))
    Fields.ImageTemplates = Table->Rows();
  return Fields;
}

void TSettingsDialogWindow::OKBtnClick() {
  // A name the tables refused was put back at once; this catches any that got in otherwise,
  // as a name with "=" or a duplicate would not read back from the settings file.
  for (const char16_t* Name : {u"TextTemplatesVLE", u"ImageTemplatesVLE"}) {
    auto* Table = qobject_cast<TNameValueTable*>(Control(Name));
    std::u16string Message;
    const int Row = Table ? Table->FirstRefusedRow(Message) : -1;
    if (Row < 0) continue;
    ShowWarning(TQtMessageBoxes::ApplicationTitle, Message);
    Table->setCurrentCell(Row, 0);
    Table->setFocus(Qt::OtherFocusReason);
    return;
  }
  const TFieldCheck Check = OkCheck ? OkCheck(Fields()) : TFieldCheck{};
  if (!Check.Ok) {
    ShowWarning(texts::SettingsWarningCaption, Check.Message);
    if (QWidget* Field = FieldControl(Check.Field)) {
      Field->setFocus(Qt::OtherFocusReason);
      if (auto* Edit = qobject_cast<QLineEdit*>(Field)) Edit->selectAll();
    }
    return;
  }
  accept();
}

void TSettingsDialogWindow::HotKeyFocusChanged(bool AFocused) {
  if (AFocused) {
    // Moving from one hotkey field to the other keeps the hotkeys released throughout.
    FRecordingEnd.stop();
    SetRecording(true);
  } else {
    FRecordingEnd.start();
  }
}

void TSettingsDialogWindow::SetRecording(bool ARecording) {
  if (ARecording == FRecording) return;
  FRecording = ARecording;
  if (OnHotKeyRecording) OnHotKeyRecording(ARecording);
}

void TSettingsDialogWindow::done(int AResult) {
  // The hotkeys are back before the dialog's caller goes on.
  FRecordingEnd.stop();
  SetRecording(false);
  QDialog::done(AResult);
}

// --- TQtSettingsDialog --------------------------------------------------------------------------

TQtSettingsDialog::TQtSettingsDialog(TRecordingHook AOnHotKeyRecording)
    : FOnHotKeyRecording(std::move(AOnHotKeyRecording)) {}

bool TQtSettingsDialog::ShowModal(
    TSettingsFields& AFields, const std::function<TFieldCheck(const TSettingsFields&)>& AOkCheck,
    const std::function<std::u16string(const TTemplateRows&, int, const std::u16string&)>& ACheckTemplateName) {
  TSettingsDialogWindow Window;
  Window.OkCheck = AOkCheck;
  Window.SetNameCheck(ACheckTemplateName);
  Window.OnHotKeyRecording = FOnHotKeyRecording;
  Window.SetFields(AFields);
  if (Window.exec() != QDialog::Accepted) return false;
  AFields = Window.Fields();
  return true;
}

} // namespace vm
