#pragma once
// Message boxes and the two one-use windows: the settings dialog and the image preview.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/imaging.h"

namespace vm {

struct TConfirmation {
  std::u16string Title, Text, YesCaption, NoCaption; // Yes is the default button
};

class IMessageBoxes {
public:
  virtual ~IMessageBoxes() = default;
  // The application's standard error box, for an error no handler caught.
  virtual void ShowError(const std::u16string& AText) = 0;
  // A warning box with one "OK" button.
  virtual void ShowWarning(const std::u16string& ACaption, const std::u16string& AText) = 0;
  // True only for Yes; No and closing the dialog are false.
  virtual bool ConfirmYesNo(const TConfirmation& AConfirmation) = 0;
};

// --- The settings dialog ---

enum class TSettingsField { None, MaxItems, Width, RowHeight, HotKeyShow, HotKeyQuit };

using TTemplateRows = std::vector<std::pair<std::u16string, std::u16string>>; // name, value

// What the dialog shows and what the user leaves in it.
struct TSettingsFields {
  std::u16string MaxItemsText, WidthText, RowHeightText;
  std::uint16_t HotKeyShow = 0, HotKeyQuit = 0; // hotkey codes, 0 = empty field
  TTemplateRows TextTemplates;                   // bodies with line breaks shown as "\n"
  TTemplateRows ImageTemplates;
};

struct TFieldCheck {
  bool Ok = true;
  TSettingsField Field = TSettingsField::None; // where the focus goes on a failure
  std::u16string Message;
};

class ISettingsDialog {
public:
  virtual ~ISettingsDialog() = default;
  // Shows the dialog modally with AFields. OK runs AOkCheck: on a failure the dialog shows the
  // warning box "警告" with its message, puts the focus into the failing field and stays open.
  // Returns true when the dialog closed with OK; AFields then holds what the user entered.
  // ACheckTemplateName(rows, row, name) returns the refusal message for a name typed into a
  // row of a name/value table, or an empty string when the name is accepted.
  virtual bool ShowModal(TSettingsFields& AFields,
                         const std::function<TFieldCheck(const TSettingsFields&)>& AOkCheck,
                         const std::function<std::u16string(const TTemplateRows&, int, const std::u16string&)>&
                             ACheckTemplateName) = 0;
};

// --- The image preview ---

// The preview's rules (TDispImageFrm) that the platform window calls back into.
class IImagePreviewHandlers {
public:
  virtual ~IImagePreviewHandlers() = default;
  virtual void FormShow() = 0;
  virtual void Timer1Timer() = 0;
  virtual void FormClick() = 0; // left button on the window or the picture
  virtual void FormKeyDown() = 0;
};

class IImagePreviewWindow {
public:
  virtual ~IImagePreviewWindow() = default;
  // Shows the frameless window modally; calls AHandlers.FormShow() as it appears and the other
  // handlers on their events; returns when EndModal was called.
  virtual void RunModal(IImagePreviewHandlers& AHandlers) = 0;
  virtual void SetPosition(int ALeft, int ATop) = 0;
  virtual void SetClientSize(int AWidth, int AHeight) = 0;
  virtual void SetPicture(const TImage& AImage) = 0;
  virtual void StartTimer(int AMilliseconds) = 0;
  virtual void StopTimer() = 0;
  virtual void EndModal() = 0;
};

class IDialogFactory {
public:
  virtual ~IDialogFactory() = default;
  virtual std::unique_ptr<ISettingsDialog> CreateSettingsDialog() = 0;
  virtual std::unique_ptr<IImagePreviewWindow> CreateImagePreview() = 0;
};

} // namespace vm
