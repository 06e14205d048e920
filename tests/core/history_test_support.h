#pragma once
// Shared by the history store's tests: a private data folder, a fake protection, a fake log
// clock, and a compact notation for a history ("P1* A img:x.png files:C:\a"; "*" = pinned).
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "fakes/fake_clock.h"
#include "fakes/fake_data_protection.h"
#include "fakes/test_support.h"
#include "history/clip_history.h"
#include "support/data_folders.h"
#include "support/log.h"
#include "support/text.h"

namespace vm::test {

inline TClipItem EntryFromToken(const std::string& AToken) {
  std::string Token = AToken;
  TClipItem Item;
  if (!Token.empty() && Token.back() == '*') {
    Item.Pinned = true;
    Token.pop_back();
  }
  if (Token.rfind("img:", 0) == 0) {
    Item.ItemType = citImage;
    Item.ImageFile = Utf8ToUtf16(Token.substr(4));
  } else if (Token.rfind("files:", 0) == 0) {
    Item.ItemType = citFiles;
    Item.Text = Utf8ToUtf16(Token.substr(6));
  } else {
    Item.Text = Utf8ToUtf16(Token);
  }
  return Item;
}

// Appends the entries of a space-separated description, in order, as the file loader does.
inline void Fill(TClipHistory& AHistory, const std::string& ADescription) {
  // Only spaces separate entries: texts may hold line breaks.
  std::istringstream In(ADescription);
  std::string Token;
  while (std::getline(In, Token, ' '))
    if (!Token.empty()) AHistory.Items().Add(EntryFromToken(Token));
}

inline std::string Describe(const TClipHistory& AHistory) {
  std::string Out;
  for (int I = 0; I < AHistory.Items().Count(); ++I) {
    const TClipItem& Item = AHistory.Items()[I];
    if (I > 0) Out += ' ';
    if (Item.ItemType == citImage) Out += "img:" + Utf16ToUtf8(Item.ImageFile);
    else if (Item.ItemType == citFiles) Out += "files:" + Utf16ToUtf8(Item.Text);
    else Out += Utf16ToUtf8(Item.Text);
    if (Item.ItemType != citImage && !Item.ImageFile.empty()) Out += "[i=" + Utf16ToUtf8(Item.ImageFile) + "]";
    if (Item.ItemType == citImage && !Item.Text.empty()) Out += "[x=" + Utf16ToUtf8(Item.Text) + "]";
    if (Item.Pinned) Out += '*';
  }
  return Out;
}

// A temporary data folder, a fake protection and a stopped log clock for each test.
class THistoryTest : public ::testing::Test {
protected:
  THistoryTest() { SetLogClock(&Clock); }
  ~THistoryTest() override { SetLogClock(nullptr); }

  // Everything logged today (the fake clock's day, 1 May 2024).
  static std::string LogText() {
    const std::u16string File = LogDir() + u"20240501_Vellomarch.log";
    return FileExists(File) ? ReadFileBytes(File) : std::string();
  }
  static std::string LogLine(const std::string& AMessage) { return "2024/05/01 09:05:07:042  " + AMessage + "\r\n"; }

  TTempDataFolder Folder;
  TFakeClock Clock;
  TFakeDataProtection Protection;
  TClipHistory History{Protection};
};

} // namespace vm::test
