// The item context menu: its items, how they adapt to the selected entry, the templates in it,
// and what its entry commands do.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/app_texts.h"
#include "app/settings.h"
#include "history/clip_history.h"
#include "scenario/list_test_helpers.h"
#include "support/data_folders.h"

namespace vm::test {
namespace {

using TItemMenu = TScenario;

const TImage RedPicture = TFakeImaging::SolidImage(30, 10, 0xFFFF0000);

// The menu as it was last shown.
const std::vector<TShownMenuItem>& LastMenu(TScenarioWorld& W) { return W.F.Menus.Shown.back(); }

const TShownMenuItem& ItemCaptioned(TScenarioWorld& W, std::u16string_view APrefix) {
  const auto& Items = LastMenu(W);
  const auto It = std::find_if(Items.begin(), Items.end(),
                               [&](const TShownMenuItem& AItem) { return AItem.Caption.starts_with(APrefix); });
  EXPECT_NE(It, Items.end());
  return *It;
}

// The visible captions with their tags, as "caption#tag".
std::vector<std::u16string> VisibleItems(TScenarioWorld& W) {
  std::vector<std::u16string> Result;
  for (const auto& Item : LastMenu(W))
    if (Item.Visible) Result.push_back(Item.Caption + u"#" + IntToStr(Item.Tag));
  return Result;
}

void SaveTemplates(const std::vector<std::u16string>& ANames, const std::vector<std::u16string>& ABodies,
                   const std::vector<std::u16string>& AImageNames, const std::vector<std::u16string>& AImages) {
  ForceDirectories(BaseDir());
  TSettings Settings;
  Settings.TeikeiName = ANames;
  Settings.Teikeibun = ABodies;
  Settings.TeikeiImgName = AImageNames;
  Settings.TeikeiImg = AImages;
  SaveSettings(Settings);
}

TEST_F(TItemMenu, OnAnEmptyListTheEntryCommandsAreOffAndTheRestWorks) {
  Start();
  OpenPopup(*this);
  Press(*this, TMouseButton::Right, 1, 0);
  const std::vector<std::u16string> Expected{
      u"貼り付け\tEnter#0", u"コピーのみ（貼り付けない）\tShift+Enter#0", u"ピン留め\tCtrl+P#0",
      u"この項目を削除\tCtrl+Del#0", u"-#0", u"⏰TimeStamp#0", u"-#0", u"履歴をすべてクリア#0", u"設定...#0", u"終了#0",
  };
  EXPECT_EQ(VisibleItems(*this), Expected);
  for (const auto& Item : LastMenu(*this)) {
    const bool EntryCommand = Item.Caption == texts::MenuPaste || Item.Caption == texts::MenuCopyOnly ||
                              Item.Caption == texts::MenuPin || Item.Caption == texts::MenuDelete;
    EXPECT_EQ(Item.Enabled, !EntryCommand) << testing::PrintToString(Item.Caption);
  }
  // The path item is there, hidden, never disabled.
  EXPECT_FALSE(ItemCaptioned(*this, texts::MenuPastePathText).Visible);
  EXPECT_TRUE(ItemCaptioned(*this, texts::MenuPastePathText).Enabled);

  F.Menus.ChooseCaption = texts::MenuTimeStamp;
  Press(*this, TMouseButton::Right, 1, 0);
  RunPending();
  EXPECT_TRUE(F.Clipboard.Text().has_value());
  EXPECT_EQ(PastesSent(*this), 1);
  EXPECT_TRUE(HistoryTexts().empty());

  F.Menus.ChooseCaption = texts::MenuQuit;
  Press(*this, TMouseButton::Right, 1, 0);
  EXPECT_TRUE(F.Popup.Closed);
}

TEST_F(TItemMenu, PinCaptionAndPathItemFollowTheEntryUnderTheRightPress) {
  Start();
  OpenPopup(*this);
  CopyText(u"plain");
  CopyPng(RedPicture);
  CopyFiles({u"C:\\x\\one.txt", u"C:\\x\\two.txt"});
  // Pin a copy of each kind: they go above the unpinned ones.
  CopyText(u"pinned text");
  F.Popup.Current = 0;
  ASSERT_TRUE(PressKey(*this, VK_P_KEY, Ctrl()));
  CopyFiles({u"C:\\y\\pinned.txt"});
  F.Popup.Current = 1;
  ASSERT_TRUE(PressKey(*this, VK_P_KEY, Ctrl()));
  CopyPng(TFakeImaging::SolidImage(5, 5, 0xFF00FF00));
  F.Popup.Current = 2;
  ASSERT_TRUE(PressKey(*this, VK_P_KEY, Ctrl()));
  ASSERT_EQ(GridRows(*this), (std::vector<std::u16string>{u"📌|pinned text", u"📌📁|pinned.txt", u"📌🖼|",
                                                           u"📁|one.txt ほか1件", u"🖼|", u"|plain"}));
  struct TCase {
    int Row;
    const char16_t* PinCaption;
    bool PathItem;
  } const Cases[] = {
      {0, texts::MenuUnpin, false}, {1, texts::MenuUnpin, true}, {2, texts::MenuUnpin, false},
      {3, texts::MenuPin, true},     {4, texts::MenuPin, false},   {5, texts::MenuPin, false},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(testing::Message() << "row " << Case.Row);
    Press(*this, TMouseButton::Right, 1, Case.Row);
    EXPECT_EQ(LastMenu(*this)[3].Caption, Case.PinCaption);
    EXPECT_TRUE(LastMenu(*this)[3].Enabled);
    EXPECT_EQ(ItemCaptioned(*this, texts::MenuPastePathText).Visible, Case.PathItem);
  }

  // With nothing selected the pin item keeps its last caption but is off.
  Press(*this, TMouseButton::Right, 1, 0);
  TypeSearch(*this, u"nothing matches this");
  Press(*this, TMouseButton::Right, 1, 0);
  EXPECT_EQ(LastMenu(*this)[3].Caption, texts::MenuUnpin);
  EXPECT_FALSE(LastMenu(*this)[3].Enabled);
  EXPECT_FALSE(ItemCaptioned(*this, texts::MenuPastePathText).Visible);
}

TEST_F(TItemMenu, EntryCommandsActOnTheFileListUnderThePress) {
  struct TCase {
    const char16_t* Caption;
    std::vector<std::u16string> HistoryAfter;
    bool Files;        // the clipboard holds the files
    bool PathsAsText;  // the clipboard holds only the paths as text
    int Pastes;
  } const Cases[] = {
      {texts::MenuPaste, {u"files:C:\\d\\a.txt\r\nC:\\d\\b.txt", u"other"}, true, false, 1},
      {texts::MenuCopyOnly, {u"files:C:\\d\\a.txt\r\nC:\\d\\b.txt", u"other"}, true, false, 0},
      {texts::MenuPastePathText, {u"files:C:\\d\\a.txt\r\nC:\\d\\b.txt", u"other"}, false, true, 1},
      {texts::MenuPin, {u"pinned:files:C:\\d\\a.txt\r\nC:\\d\\b.txt", u"other"}, false, false, 0},
      {texts::MenuDelete, {u"other"}, false, false, 0},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(testing::PrintToString(std::u16string(Case.Caption)));
    TScenarioWorld W;
    W.Start();
    W.CopyFiles({u"C:\\d\\a.txt", u"C:\\d\\b.txt"});
    W.CopyText(u"other");
    OpenPopup(W);
    W.F.Menus.ChooseCaption = Case.Caption;
    Press(W, TMouseButton::Right, 1, 1);
    W.RunPending();
    EXPECT_EQ(W.HistoryTexts(), Case.HistoryAfter);
    EXPECT_EQ(W.F.Clipboard.DroppedPaths().size(), Case.Files ? 2u : 0u);
    const auto& Formats = W.F.Clipboard.LastWriteFormats;
    EXPECT_EQ(Formats == std::vector<TClipFormat>{CF_UNICODETEXT_FORMAT}, Case.PathsAsText);
    if (Case.PathsAsText) {
      EXPECT_EQ(W.F.Clipboard.Text(), u"C:\\d\\a.txt\r\nC:\\d\\b.txt");
    }
    EXPECT_EQ(PastesSent(W), Case.Pastes);
  }
}

TEST(TItemMenuTemplates, TemplatesStandBetweenTheSeparatorsTaggedByTheirPosition) {
  struct TCase {
    const char* Name;
    std::vector<std::u16string> Names, Bodies, ImageNames, Images;
    std::vector<std::u16string> Between; // the items between the two separators
  } const Cases[] = {
      {"no templates", {}, {}, {}, {}, {u"⏰TimeStamp#0"}},
      {"two text templates", {u"挨拶", u"署名"}, {u"こんにちは", u"--\r\nVellomarch"}, {}, {},
       {u"⏰TimeStamp#0", u"📝挨拶#0", u"📝署名#1"}},
      {"text and image templates",
       {u"a", u"-"},
       {u"A", u"B"},
       {u"logo", u"stamp"},
       {u"C:\\pics\\logo.png", u"C:\\pics\\stamp.png"},
       {u"⏰TimeStamp#0", u"📝a#0", u"📝-#1", u"🎨logo#0", u"🎨stamp#1"}},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TScenarioWorld W;
    SaveTemplates(Case.Names, Case.Bodies, Case.ImageNames, Case.Images);
    W.Start();
    OpenPopup(W);
    Press(W, TMouseButton::Right, 1, 0);
    const std::vector<std::u16string> Items = VisibleItems(W);
    const auto First = std::find(Items.begin(), Items.end(), u"-#0");
    ASSERT_NE(First, Items.end());
    const auto Second = std::find(First + 1, Items.end(), u"-#0");
    ASSERT_NE(Second, Items.end());
    EXPECT_EQ(std::vector<std::u16string>(First + 1, Second), Case.Between);
    EXPECT_EQ(std::vector<std::u16string>(Second + 1, Items.end()),
              (std::vector<std::u16string>{u"履歴をすべてクリア#0", u"設定...#0", u"終了#0"}));
  }
}

TEST_F(TItemMenu, ChoosingATextTemplateInsertsTheOneAtItsPosition) {
  SaveTemplates({u"挨拶", u"署名"}, {u"こんにちは", u"--\r\nVellomarch"}, {}, {});
  Start();
  OpenPopup(*this);
  F.Menus.ChooseCaption = u"📝署名";
  Press(*this, TMouseButton::Right, 1, 0);
  RunPending();
  EXPECT_EQ(F.Clipboard.Text(), u"--\r\nVellomarch");
  EXPECT_EQ(PastesSent(*this), 1);
}

TEST_F(TItemMenu, AfterTheSettingsDialogRemovesEveryTemplateTheMenuShowsNone) {
  SaveTemplates({u"挨拶"}, {u"こんにちは"}, {u"logo"}, {u"C:\\pics\\logo.png"});
  Start();
  CopyText(u"an entry");
  OpenPopup(*this);
  F.Dialogs.SettingsUser = [](TSettingsFields& AFields, const auto&, const auto&) {
    AFields.TextTemplates.clear();
    AFields.ImageTemplates.clear();
    return true;
  };
  // The settings are opened from this very menu, which is rebuilt while its command runs.
  F.Menus.ChooseCaption = texts::MenuSettings;
  Press(*this, TMouseButton::Right, 1, 0);
  ASSERT_EQ(F.Dialogs.SettingsShown.size(), 1u);

  OpenPopup(*this);
  Press(*this, TMouseButton::Right, 1, 0);
  const std::vector<std::u16string> Expected{
      u"貼り付け\tEnter#0", u"コピーのみ（貼り付けない）\tShift+Enter#0", u"ピン留め\tCtrl+P#0",
      u"この項目を削除\tCtrl+Del#0", u"-#0", u"⏰TimeStamp#0", u"-#0", u"履歴をすべてクリア#0", u"設定...#0", u"終了#0",
  };
  EXPECT_EQ(VisibleItems(*this), Expected);
  // The rebuilt menu's entry items are the ones adapted to the selection.
  EXPECT_TRUE(ItemCaptioned(*this, texts::MenuPaste).Enabled);
  F.Menus.ChooseCaption = texts::MenuDelete;
  Press(*this, TMouseButton::Right, 1, 0);
  EXPECT_TRUE(HistoryTexts().empty());
}

} // namespace
} // namespace vm::test
