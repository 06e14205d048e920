// The Windows clipboard through TWinClipboard, for real: every write goes to the system clipboard
// and is read back through the same calls the capture uses.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <functional>

#include "clipboard/captured_text.h"
#include "clipboard/drop_files.h"
#include "platform/windows/win_clipboard.h"
#include "support/error.h"
#include "support/text.h"
#include "win_test_support.h"

namespace vm {
namespace {

using test::TDesktopTestLock;
using test::TTestWindow;

std::string Narrow(const std::u16string& AText) { return Utf16ToUtf8(AText); }

class WinClipboard : public ::testing::Test {
protected:
  TDesktopTestLock Lock;
  TTestWindow Owner;
  TWinClipboard Clipboard{Owner.Get()};

  // One open-empty-put-close sequence, as the paste writes.
  void Write(const std::function<void()>& APut) {
    TClipboardSession Session(Clipboard);
    ASSERT_TRUE(Session.IsOpen());
    Clipboard.Empty();
    APut();
  }
};

TEST_F(WinClipboard, FileListAndItsTextGoOnInOneSequenceAndReadBack) {
  const std::vector<std::u16string> Paths = {u"C:\\a", u"C:\\bb"};
  const TBytes Block = BuildDropFiles(Paths);
  ASSERT_EQ(Block.size(), 44u);
  Write([&] {
    Clipboard.SetData(CF_HDROP_FORMAT, Block);
    EXPECT_TRUE(Clipboard.SetUnicodeText(u"C:\\a\r\nC:\\bb"));
  });

  EXPECT_TRUE(Clipboard.IsFormatAvailable(CF_HDROP_FORMAT));
  EXPECT_TRUE(Clipboard.IsFormatAvailable(CF_UNICODETEXT_FORMAT));
  TClipboardSession Session(Clipboard);
  ASSERT_TRUE(Session.IsOpen());
  EXPECT_EQ(Clipboard.GetDroppedFiles(), Paths);
  EXPECT_EQ(Clipboard.GetUnicodeText(), u"C:\\a\r\nC:\\bb");
  const std::optional<TBytes> Stored = Clipboard.GetData(CF_HDROP_FORMAT);
  ASSERT_TRUE(Stored);
  ASSERT_GE(Stored->size(), Block.size());
  EXPECT_EQ(TBytes(Stored->begin(), Stored->begin() + 44), Block);
}

TEST_F(WinClipboard, JapaneseAndLongPathsAsTheDropListReadsThem) {
  const std::u16string Long = u"C:\\" + std::u16string(300, u'x');
  Write([&] { Clipboard.SetData(CF_HDROP_FORMAT, BuildDropFiles({u"C:\\資料\\メモ.txt", Long, u"D:\\z"})); });
  TClipboardSession Session(Clipboard);
  ASSERT_TRUE(Session.IsOpen());
  const auto Files = Clipboard.GetDroppedFiles();
  ASSERT_TRUE(Files);
  // A 260-character buffer: the long path arrives cut to 259 characters.
  EXPECT_EQ(*Files, (std::vector<std::u16string>{u"C:\\資料\\メモ.txt", Long.substr(0, 259), u"D:\\z"}));
}

TEST_F(WinClipboard, MissingFormatsReadAsNothing) {
  Write([&] { EXPECT_TRUE(Clipboard.SetUnicodeText(u"only text")); });
  EXPECT_FALSE(Clipboard.IsFormatAvailable(CF_HDROP_FORMAT));
  EXPECT_FALSE(Clipboard.IsFormatAvailable(CF_BITMAP_FORMAT));
  TClipboardSession Session(Clipboard);
  ASSERT_TRUE(Session.IsOpen());
  EXPECT_EQ(Clipboard.GetDroppedFiles(), std::nullopt);
  EXPECT_EQ(Clipboard.GetBitmap(), std::nullopt);
  EXPECT_EQ(Clipboard.GetData(Clipboard.RegisterFormat(u"PNG")), std::nullopt);
}

struct TTextCase {
  const char* Name;
  std::u16string Written, Read;
};
void PrintTo(const TTextCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class WinClipboardText : public WinClipboard, public ::testing::WithParamInterface<TTextCase> {};

TEST_P(WinClipboardText, ReadsBackUpToTheFirstZero) {
  Write([&] { EXPECT_TRUE(Clipboard.SetUnicodeText(GetParam().Written)); });
  EXPECT_TRUE(Clipboard.HasUnicodeText());
  {
    TClipboardSession Session(Clipboard);
    ASSERT_TRUE(Session.IsOpen());
    EXPECT_EQ(Clipboard.GetUnicodeText(), GetParam().Read) << Narrow(*Clipboard.GetUnicodeText());
  }
  // The "{clipboard}" placeholder's read opens and closes by itself.
  EXPECT_EQ(Clipboard.ReadUnicodeText(), GetParam().Read);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WinClipboardText,
    ::testing::Values(TTextCase{"Japanese", u"クリップボードの履歴", u"クリップボードの履歴"},
                      TTextCase{"Emoji", u"📌 pinned 🖼", u"📌 pinned 🖼"},
                      TTextCase{"LineBreaks", u"one\r\ntwo\r\n", u"one\r\ntwo\r\n"},
                      TTextCase{"Empty", u"", u""},
                      TTextCase{"EmbeddedZero", std::u16string(u"before\0after", 12), u"before"}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// --- Texts and file lists at the bound -----------------------------------------------------------

constexpr std::size_t Max = MaxCapturedTextLength;

struct TLongTextCase {
  const char* Name;
  std::u16string Written; // put as CF_UNICODETEXT with its terminating zero
  std::size_t Length;     // of the text up to its first zero
};
void PrintTo(const TLongTextCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class WinClipboardLongText : public WinClipboard, public ::testing::WithParamInterface<TLongTextCase> {};

TEST_P(WinClipboardLongText, IsReadUpToTheBoundAndRefusedAbove) {
  const TLongTextCase& Case = GetParam();
  Write([&] { EXPECT_TRUE(Clipboard.SetUnicodeText(Case.Written)); });
  TClipboardSession Session(Clipboard);
  ASSERT_TRUE(Session.IsOpen());
  if (Case.Length <= Max) {
    const auto Text = Clipboard.GetUnicodeText();
    ASSERT_TRUE(Text.has_value());
    EXPECT_EQ(Text->size(), Case.Length);
    return;
  }
  try {
    Clipboard.GetUnicodeText();
    ADD_FAILURE() << "a text above the bound was read";
  } catch (const TTextTooLarge& E) {
    EXPECT_EQ(E.Message(), u"The text is too large to record (" + IntToStr(static_cast<long long>(Case.Length)) +
                               u" characters, at most 8388608)");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Bound, WinClipboardLongText,
    ::testing::Values(TLongTextCase{"AtTheBound", std::u16string(Max, u'語'), Max},
                      TLongTextCase{"AboveTheBound", std::u16string(Max + 1, u'a'), Max + 1},
                      TLongTextCase{"ZeroBeforeTheBound", u"short" + std::u16string(1, u'\0') + std::u16string(Max, u'z'),
                                    5}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(WinClipboard, ReadUnicodeTextFailsWhenThereIsNoText) {
  Write([&] { Clipboard.SetData(CF_HDROP_FORMAT, BuildDropFiles({u"C:\\a"})); });
  EXPECT_FALSE(Clipboard.HasUnicodeText());
  EXPECT_THROW(Clipboard.ReadUnicodeText(), TError);
}

TEST_F(WinClipboard, WritesOutsideAnOpenClipboardFailWithTheSystemsText) {
  try {
    Clipboard.SetData(CF_HDROP_FORMAT, BuildDropFiles({u"C:\\a"}));
    ADD_FAILURE() << "SetData succeeded on a closed clipboard";
  } catch (const TError& E) {
    ASSERT_FALSE(E.Message().empty());
    EXPECT_NE(E.Message().back(), u'.') << Narrow(E.Message());
  }
  EXPECT_FALSE(Clipboard.SetUnicodeText(u"never"));
}

TImage Picture(int AWidth, int AHeight, std::vector<std::uint32_t> APixels) {
  return TImage{AWidth, AHeight, std::move(APixels)};
}

TEST_F(WinClipboard, OpaqueBitmapReadsBackPixelForPixelWithoutAPalette) {
  const TImage Image = Picture(3, 2, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF123456, 0xFFFFFFFF, 0xFF000000});
  Write([&] { Clipboard.SetBitmap(Image); });
  EXPECT_TRUE(Clipboard.IsFormatAvailable(CF_BITMAP_FORMAT));
  EXPECT_FALSE(Clipboard.IsFormatAvailable(CF_PALETTE));
  TClipboardSession Session(Clipboard);
  ASSERT_TRUE(Session.IsOpen());
  const std::optional<TImage> Read = Clipboard.GetBitmap();
  ASSERT_TRUE(Read);
  EXPECT_EQ(Read->Width, 3);
  EXPECT_EQ(Read->Height, 2);
  EXPECT_EQ(Read->Pixels, Image.Pixels);
}

TEST_F(WinClipboard, TransparentPartsOfABitmapLieOnWhite) {
  // Clear, half-transparent red, opaque blue.
  Write([&] { Clipboard.SetBitmap(Picture(3, 1, {0x00000000, 0x80FF0000, 0xFF0000FF})); });
  TClipboardSession Session(Clipboard);
  ASSERT_TRUE(Session.IsOpen());
  const std::optional<TImage> Read = Clipboard.GetBitmap();
  ASSERT_TRUE(Read);
  ASSERT_EQ(Read->Pixels.size(), 3u);
  EXPECT_EQ(Read->Pixels[0], 0xFFFFFFFFu);
  EXPECT_EQ(Read->Pixels[1], 0xFFFF7F7Fu);
  EXPECT_EQ(Read->Pixels[2], 0xFF0000FFu);
}

TEST_F(WinClipboard, ABitmapWithMissingPixelsIsRefused) {
  TClipboardSession Session(Clipboard);
  ASSERT_TRUE(Session.IsOpen());
  Clipboard.Empty();
  EXPECT_THROW(Clipboard.SetBitmap(Picture(4, 4, std::vector<std::uint32_t>(15, 0xFF000000))), TError);
  EXPECT_THROW(Clipboard.SetBitmap(Picture(0, 4, {})), TError);
}

TEST_F(WinClipboard, RegisteredFormatsAreNumberedOnceForEveryone) {
  const TClipFormat Exclude = Clipboard.RegisterFormat(u"ExcludeClipboardContentFromMonitorProcessing");
  EXPECT_GE(Exclude, 0xC000u);
  EXPECT_EQ(Clipboard.RegisterFormat(u"ExcludeClipboardContentFromMonitorProcessing"), Exclude);
  EXPECT_NE(Clipboard.RegisterFormat(u"Clipboard Viewer Ignore"), Exclude);
}

struct TStagedCase {
  const char* Name;
  std::u16string Format;
  std::uint32_t Value;
};
void PrintTo(const TStagedCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class WinClipboardStagedByAnotherProcess : public ::testing::TestWithParam<TStagedCase> {};

// A password manager marks its copies with a registered format; the mark must be seen without
// opening the clipboard, and its value read when the clipboard is opened.
TEST_P(WinClipboardStagedByAnotherProcess, MarkIsSeenAndItsValueRead) {
  TDesktopTestLock Lock;
  const TStagedCase& Case = GetParam();
  test::THelperProcess Helper({L"stage", reinterpret_cast<const wchar_t*>(Case.Format.c_str()),
                               std::to_wstring(Case.Value), L"secret"});
  ASSERT_TRUE(Helper.Ready()) << "helper exit code " << Helper.ExitCodeIfEnded();

  TTestWindow Owner;
  TWinClipboard Clipboard(Owner.Get());
  const TClipFormat Mark = Clipboard.RegisterFormat(Case.Format);
  ASSERT_NE(Mark, 0u);
  EXPECT_TRUE(Clipboard.IsFormatAvailable(Mark));
  for (const char16_t* Other :
       {u"ExcludeClipboardContentFromMonitorProcessing", u"Clipboard Viewer Ignore", u"CanIncludeInClipboardHistory"})
    if (Case.Format != Other) {
      EXPECT_FALSE(Clipboard.IsFormatAvailable(Clipboard.RegisterFormat(Other)));
    }

  TClipboardSession Session(Clipboard);
  ASSERT_TRUE(Session.IsOpen());
  const std::optional<TBytes> Data = Clipboard.GetData(Mark);
  ASSERT_TRUE(Data);
  ASSERT_GE(Data->size(), 4u);
  std::uint32_t Value;
  std::memcpy(&Value, Data->data(), sizeof Value);
  EXPECT_EQ(Value, Case.Value);
  EXPECT_EQ(Clipboard.GetUnicodeText(), u"secret");
}

INSTANTIATE_TEST_SUITE_P(
    Marks, WinClipboardStagedByAnotherProcess,
    ::testing::Values(TStagedCase{"Exclude", u"ExcludeClipboardContentFromMonitorProcessing", 1},
                      TStagedCase{"ViewerIgnore", u"Clipboard Viewer Ignore", 1},
                      TStagedCase{"CanIncludeZero", u"CanIncludeInClipboardHistory", 0},
                      TStagedCase{"CanIncludeOne", u"CanIncludeInClipboardHistory", 1}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// --- The drop list's own check ---

TBytes DropBlock(std::uint32_t AStart, bool AWide, const TBytes& AList) {
  TBytes Block(20 + AList.size(), 0);
  for (int I = 0; I < 4; ++I) {
    Block[static_cast<std::size_t>(I)] = static_cast<std::uint8_t>(AStart >> (8 * I));
    Block[16 + static_cast<std::size_t>(I)] = AWide ? 0xFF : 0;
  }
  for (std::size_t I = 0; I < AList.size(); ++I) Block[20 + I] = AList[I];
  return Block;
}

struct TDropCase {
  const char* Name;
  TBytes Block;
  bool Terminated;
};
void PrintTo(const TDropCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

class DropListTermination : public ::testing::TestWithParam<TDropCase> {};

TEST_P(DropListTermination, IsCheckedInsideTheBlock) {
  const TBytes& Block = GetParam().Block;
  EXPECT_EQ(IsDropListTerminated(Block.data(), Block.size()), GetParam().Terminated);
}

INSTANTIATE_TEST_SUITE_P(
    Blocks, DropListTermination,
    ::testing::Values(
        TDropCase{"BuiltByTheCore", BuildDropFiles({u"C:\\a", u"C:\\bb"}), true},
        TDropCase{"EmptyList", BuildDropFiles({}), true},
        TDropCase{"WideWithoutFinalZero", DropBlock(20, true, {'a', 0, 0, 0}), false},
        TDropCase{"WidePathWithoutZero", DropBlock(20, true, {'a', 0, 'b', 0}), false},
        TDropCase{"WideOddTail", DropBlock(20, true, {'a', 0, 0, 0, 0}), false},
        TDropCase{"Narrow", DropBlock(20, false, {'a', 0, 'b', 0, 0}), true},
        TDropCase{"NarrowWithoutFinalZero", DropBlock(20, false, {'a', 0, 'b', 0}), false},
        TDropCase{"StartPastTheEnd", DropBlock(4000, true, {0, 0}), false},
        TDropCase{"HeaderOnly", DropBlock(20, true, {}), false},
        TDropCase{"ShorterThanTheHeader", TBytes(12, 0), false}),
    [](const auto& AInfo) { return std::string(AInfo.param.Name); });

// --- The clipboard listener ---

struct TUpdateCounter {
  int Updates = 0;
};

LRESULT CALLBACK CountingProc(HWND AWindow, UINT AMessage, WPARAM AW, LPARAM AL) {
  if (AMessage == WM_CLIPBOARDUPDATE) {
    ++reinterpret_cast<TUpdateCounter*>(GetWindowLongPtrW(AWindow, GWLP_USERDATA))->Updates;
    return 0;
  }
  return DefWindowProcW(AWindow, AMessage, AW, AL);
}

class TCountingWindow {
public:
  TCountingWindow() {
    static const ATOM Class = [] {
      WNDCLASSW C{};
      C.lpfnWndProc = CountingProc;
      C.hInstance = GetModuleHandleW(nullptr);
      C.lpszClassName = L"VellomarchTestListener";
      return RegisterClassW(&C);
    }();
    FWindow = CreateWindowExW(0, MAKEINTATOM(Class), L"", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&Counter));
  }
  ~TCountingWindow() { DestroyWindow(FWindow); }
  TCountingWindow(const TCountingWindow&) = delete;
  TCountingWindow& operator=(const TCountingWindow&) = delete;
  HWND Get() const { return FWindow; }
  TUpdateCounter Counter;

private:
  HWND FWindow;
};

// Dispatches messages until AWindow has seen an update; bounded, so a lost update fails the test.
bool WaitForUpdate(const TCountingWindow& AWindow) {
  for (int Round = 0; Round < 200 && AWindow.Counter.Updates == 0; ++Round) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    test::PumpMessages();
  }
  return AWindow.Counter.Updates > 0;
}

TEST_F(WinClipboard, ListenerHearsEveryChangeUntilItStops) {
  TCountingWindow Stopped, Listening;
  ASSERT_TRUE(StartClipboardListener(Stopped.Get()));
  ASSERT_TRUE(StartClipboardListener(Listening.Get()));
  test::PumpMessages();

  Write([&] { EXPECT_TRUE(Clipboard.SetUnicodeText(u"first")); });
  ASSERT_TRUE(WaitForUpdate(Stopped));
  ASSERT_TRUE(WaitForUpdate(Listening));

  StopClipboardListener(Stopped.Get());
  test::PumpMessages();
  Stopped.Counter.Updates = 0;
  Listening.Counter.Updates = 0;
  Write([&] { EXPECT_TRUE(Clipboard.SetUnicodeText(u"second")); });
  ASSERT_TRUE(WaitForUpdate(Listening));
  test::PumpMessages();
  EXPECT_EQ(Stopped.Counter.Updates, 0);
  StopClipboardListener(Listening.Get());
}

} // namespace
} // namespace vm
