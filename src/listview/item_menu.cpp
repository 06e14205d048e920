// The item context menu: built once from the templates, adapted to the selection at each opening.
#include "app/app_texts.h"
#include "app/vellomarch_frm.h"
#include "history/clip_history.h"

namespace vm {

void TVellomarchFrm::BuildItemMenu() {
  if (!FItemMenu) FItemMenu = std::make_unique<TPopupMenu>();
  // The old items go, and with them the five references into them; they are set again below.
  FItemMenu->Items.clear();
  TPopupMenu& Menu = *FItemMenu;
  FMiPaste = Menu.Add(texts::MenuPaste, [this] { MiPasteClick(); });
  FMiCopyOnly = Menu.Add(texts::MenuCopyOnly, [this] { MiCopyOnlyClick(); });
  FMiPastePathText = Menu.Add(texts::MenuPastePathText, [this] { MiPastePathTextClick(); });
  FMiPin = Menu.Add(texts::MenuPin, [this] { TogglePinSelected(); });
  FMiDelete = Menu.Add(texts::MenuDelete, [this] { DeleteSelected(); });
  Menu.Add(u"-");
  Menu.Add(texts::MenuTimeStamp, [this] { InsertTimeStamp(); });
  // A template item's tag is its position in its list: the insertion looks the template up by it.
  for (std::size_t I = 0; I < FTeikeiName.size(); ++I) {
    const int Tag = static_cast<int>(I);
    Menu.Add(texts::TextTemplateMark + FTeikeiName[I], [this, Tag] { InsertTextTemplate(Tag); }, Tag);
  }
  for (std::size_t I = 0; I < FTeikeiImgName.size(); ++I) {
    const int Tag = static_cast<int>(I);
    Menu.Add(texts::ImageTemplateMark + FTeikeiImgName[I], [this, Tag] { InsertImageTemplate(Tag); }, Tag);
  }
  Menu.Add(u"-");
  Menu.Add(texts::MenuClearAll, [this] { ClearAllHistory(); });
  Menu.Add(texts::MenuSettings, [this] { OpenSettings(); });
  Menu.Add(texts::MenuQuit, [this] { CloseMainWindow(); });
}

void TVellomarchFrm::ItemMenuPopup() {
  if (!FMiPaste || !FMiCopyOnly || !FMiPastePathText || !FMiPin || !FMiDelete) return;
  const int Index = SelectedHistoryIndex();
  const bool Selected = Index >= 0;
  FMiPaste->Enabled = Selected;
  FMiCopyOnly->Enabled = Selected;
  FMiPin->Enabled = Selected;
  FMiDelete->Enabled = Selected;
  FMiPastePathText->Visible = false;
  // With nothing selected the pin caption keeps its last text; the item is disabled anyway.
  if (!Selected) return;
  const TClipItem& Item = FHistory->Items()[Index];
  FMiPin->Caption = Item.Pinned ? texts::MenuUnpin : texts::MenuPin;
  FMiPastePathText->Visible = Item.ItemType == citFiles;
}

void TVellomarchFrm::PopupItemMenu(TPoint AAt) {
  ItemMenuPopup();
  const int Chosen = P.Menus.TrackPopupMenu(*FItemMenu, AAt);
  RunMenuChoice(*FItemMenu, Chosen);
}

} // namespace vm
