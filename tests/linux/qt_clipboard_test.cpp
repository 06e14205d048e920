#include "platform/linux/qt_clipboard.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QImage>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "clipboard/captured_text.h"
#include "clipboard/drop_files.h"
#include "platform/linux/qt_imaging.h"
#include "support/error.h"
#include "x11_test_environment.h"

namespace vm {
namespace {

using test::TX11TestEnvironment;
using test::WaitUntil;
using test::XclipGet;
using test::XclipPut;

std::string Utf8(const std::u16string& AText) { return Utf16ToUtf8(AText); }

TBytes BytesOf(const std::string& AText) { return TBytes(AText.begin(), AText.end()); }

std::string StringOf(const TBytes& AData) { return std::string(AData.begin(), AData.end()); }

TImage SamplePicture() {
  TImage Image{4, 3, {}};
  for (int I = 0; I < 12; ++I) Image.Pixels.push_back(0xFF000000u | static_cast<std::uint32_t>(I * 0x151515));
  Image.Pixels[5] = 0x80FF8000; // half transparent
  return Image;
}

// The clipboard as the program sets it up: the core's registered names, a change counter.
class QtClipboard : public ::testing::Test {
protected:
  void SetUp() override {
    TX11TestEnvironment::Instance().App();
    FClipboard = std::make_unique<TQtClipboard>([this] { ++FChanges; });
    FPng = FClipboard->RegisterFormat(u"PNG");
    FExclude = FClipboard->RegisterFormat(u"ExcludeClipboardContentFromMonitorProcessing");
    FViewerIgnore = FClipboard->RegisterFormat(u"Clipboard Viewer Ignore");
    FCanInclude = FClipboard->RegisterFormat(u"CanIncludeInClipboardHistory");
  }

  // Another program (xclip) takes the clipboard; returns once this program has been told.
  void OtherProgramPuts(const std::string& ATarget, const std::string& ABytes) {
    const int Before = FChanges;
    XclipPut(ATarget, ABytes);
    ASSERT_TRUE(WaitUntil([&] { return FChanges > Before; })) << "no change notification for " << ATarget;
  }

  std::vector<TClipFormat> Available() {
    std::vector<TClipFormat> Formats;
    for (TClipFormat F : {CF_HDROP_FORMAT, CF_UNICODETEXT_FORMAT, CF_TEXT_FORMAT, CF_BITMAP_FORMAT, FPng, FExclude,
                          FViewerIgnore, FCanInclude})
      if (FClipboard->IsFormatAvailable(F)) Formats.push_back(F);
    return Formats;
  }

  std::unique_ptr<TQtClipboard> FClipboard;
  int FChanges = 0;
  TClipFormat FPng = 0, FExclude = 0, FViewerIgnore = 0, FCanInclude = 0;
};

// --- What other programs put -----------------------------------------------------------------

TEST_F(QtClipboard, JapaneseTextFromAnotherProgram) {
  const std::u16string Text = u"日本語のテキスト 📌\n二行目";
  OtherProgramPuts("UTF8_STRING", Utf8(Text));
  EXPECT_EQ(Available(), (std::vector<TClipFormat>{CF_UNICODETEXT_FORMAT, CF_TEXT_FORMAT}));
  EXPECT_TRUE(FClipboard->HasUnicodeText());
  ASSERT_TRUE(FClipboard->Open());
  EXPECT_EQ(FClipboard->GetUnicodeText(), Text);
  EXPECT_FALSE(FClipboard->GetDroppedFiles().has_value());
  EXPECT_FALSE(FClipboard->GetBitmap().has_value());
  FClipboard->Close();
  EXPECT_EQ(FClipboard->ReadUnicodeText(), Text);
}

// Qt reports a URI list as text too; the file list is what it is.
TEST_F(QtClipboard, UriListOfLocalFilesIsAFileList) {
  OtherProgramPuts("text/uri-list", "# copied by a file manager\r\n"
                                    "file:///tmp/%E6%97%A5%E6%9C%AC/%E3%83%95%E3%82%A1%E3%82%A4%E3%83%AB.txt\r\n"
                                    "\r\n"
                                    "file:///home/user/a%20b%25c.png\r\n"
                                    "https://example.com/page.html\r\n");
  EXPECT_TRUE(FClipboard->IsFormatAvailable(CF_HDROP_FORMAT));
  ASSERT_TRUE(FClipboard->Open());
  const auto Paths = FClipboard->GetDroppedFiles();
  FClipboard->Close();
  ASSERT_TRUE(Paths.has_value());
  EXPECT_EQ(*Paths, (std::vector<std::u16string>{u"/tmp/日本/ファイル.txt", u"/home/user/a b%c.png"}));
}

TEST_F(QtClipboard, GnomeCopiedFilesAloneIsAFileList) {
  OtherProgramPuts("x-special/gnome-copied-files", "copy\nfile:///srv/%E5%86%99%E7%9C%9F.jpg\nfile:///srv/b.txt");
  EXPECT_TRUE(FClipboard->IsFormatAvailable(CF_HDROP_FORMAT));
  ASSERT_TRUE(FClipboard->Open());
  EXPECT_EQ(FClipboard->GetDroppedFiles(), (std::vector<std::u16string>{u"/srv/写真.jpg", u"/srv/b.txt"}));
  FClipboard->Close();
}

// A browser's copied link is a URI list of a web address: text, as the user copied it.
TEST_F(QtClipboard, UriListWithoutLocalFilesIsNoFileList) {
  OtherProgramPuts("text/uri-list", "https://example.com/a\r\n");
  EXPECT_FALSE(FClipboard->IsFormatAvailable(CF_HDROP_FORMAT));
  EXPECT_TRUE(FClipboard->IsFormatAvailable(CF_UNICODETEXT_FORMAT));
}

TEST_F(QtClipboard, DroppedPathsAreCutTo259Characters) {
  const std::string Long = "/" + std::string(300, 'a');
  // 258 units then a character of two: the cut must not split it.
  const std::string Split = "/" + std::string(257, 'b') + "%F0%9F%93%8C" + "tail";
  OtherProgramPuts("text/uri-list", "file://" + Long + "\r\nfile://" + Split + "\r\n");
  ASSERT_TRUE(FClipboard->Open());
  const auto Paths = FClipboard->GetDroppedFiles();
  FClipboard->Close();
  ASSERT_TRUE(Paths.has_value());
  ASSERT_EQ(Paths->size(), 2u);
  EXPECT_EQ((*Paths)[0], u"/" + std::u16string(258, u'a'));
  EXPECT_EQ((*Paths)[1], u"/" + std::u16string(257, u'b'));
}

TEST_F(QtClipboard, PngFromAnotherProgramKeepsItsExactBytes) {
  TQtImaging Imaging;
  const TImage Picture = SamplePicture();
  const TBytes Png = Imaging.EncodePng(Picture);
  OtherProgramPuts("image/png", StringOf(Png));
  EXPECT_EQ(Available(), (std::vector<TClipFormat>{CF_BITMAP_FORMAT, FPng}));
  ASSERT_TRUE(FClipboard->Open());
  EXPECT_EQ(FClipboard->GetData(FPng), Png);
  const auto Bitmap = FClipboard->GetBitmap();
  FClipboard->Close();
  ASSERT_TRUE(Bitmap.has_value());
  EXPECT_EQ(Bitmap->Pixels, Picture.Pixels);
}

TEST_F(QtClipboard, OtherImageTypesAreBitmapsOnly) {
  TQtImaging Imaging;
  TImage Opaque = SamplePicture();
  Opaque.Pixels[5] |= 0xFF000000u;
  OtherProgramPuts("image/bmp", StringOf(Imaging.EncodeBmp24(Opaque)));
  EXPECT_EQ(Available(), (std::vector<TClipFormat>{CF_BITMAP_FORMAT}));
  ASSERT_TRUE(FClipboard->Open());
  EXPECT_FALSE(FClipboard->GetData(FPng).has_value());
  const auto Bitmap = FClipboard->GetBitmap();
  FClipboard->Close();
  ASSERT_TRUE(Bitmap.has_value());
  EXPECT_EQ(Bitmap->Pixels, Opaque.Pixels);
}

// A photograph copied from another program is recorded as stored, its EXIF orientation unused,
// as an image template of the same file is pasted.
TEST_F(QtClipboard, JpegFromAnotherProgramKeepsItsStoredPixels) {
  std::ifstream In(std::string(VELLOMARCH_TEST_FIXTURES) + "/red_left_blue_right_turned.jpg", std::ios::binary);
  const std::string Jpeg{std::istreambuf_iterator<char>(In), {}};
  ASSERT_FALSE(Jpeg.empty());
  OtherProgramPuts("image/jpeg", Jpeg);
  ASSERT_TRUE(FClipboard->Open());
  const auto Bitmap = FClipboard->GetBitmap();
  FClipboard->Close();
  ASSERT_TRUE(Bitmap.has_value());
  EXPECT_EQ(Bitmap->Width, 4);
  EXPECT_EQ(Bitmap->Height, 2);
}

TEST_F(QtClipboard, UnreadableImageThrows) {
  OtherProgramPuts("image/png", "not a png");
  EXPECT_TRUE(FClipboard->IsFormatAvailable(CF_BITMAP_FORMAT));
  ASSERT_TRUE(FClipboard->Open());
  EXPECT_THROW(FClipboard->GetBitmap(), TError);
  FClipboard->Close();
}

TEST_F(QtClipboard, PasswordManagerMarkExcludesOnlyWhenSecret) {
  OtherProgramPuts("x-kde-passwordManagerHint", "secret");
  EXPECT_TRUE(FClipboard->IsFormatAvailable(FExclude));
  OtherProgramPuts("x-kde-passwordManagerHint", "public");
  EXPECT_FALSE(FClipboard->IsFormatAvailable(FExclude));
}

TEST_F(QtClipboard, ExclusionMarksOfTheOtherDesktopAsTargets) {
  OtherProgramPuts("Clipboard Viewer Ignore", "");
  EXPECT_EQ(Available(), std::vector<TClipFormat>{FViewerIgnore});
  OtherProgramPuts("ExcludeClipboardContentFromMonitorProcessing", "x");
  EXPECT_EQ(Available(), std::vector<TClipFormat>{FExclude});
  OtherProgramPuts("CanIncludeInClipboardHistory", std::string(4, '\0'));
  EXPECT_EQ(Available(), std::vector<TClipFormat>{FCanInclude});
  ASSERT_TRUE(FClipboard->Open());
  EXPECT_EQ(FClipboard->GetData(FCanInclude), TBytes(4, 0));
  FClipboard->Close();
}

TEST_F(QtClipboard, RegisteredNumbersArePerName) {
  EXPECT_EQ(FPng, 0xC000u);
  EXPECT_EQ(FExclude, 0xC001u);
  EXPECT_EQ(FClipboard->RegisterFormat(u"PNG"), FPng);
  EXPECT_EQ(FClipboard->RegisterFormat(u"Another"), 0xC004u);
  EXPECT_EQ(FClipboard->RegisterFormat(u""), 0u);
}

// --- What the program writes -----------------------------------------------------------------

TEST_F(QtClipboard, OpenFailsOnlyWhileOpen) {
  ASSERT_TRUE(FClipboard->Open());
  EXPECT_FALSE(FClipboard->Open());
  FClipboard->Close();
  EXPECT_TRUE(FClipboard->Open());
  FClipboard->Close();
}

TEST_F(QtClipboard, TextWriteIsOneChangeAndReadsBackAsUtf8) {
  OtherProgramPuts("UTF8_STRING", "before");
  const int Before = FChanges;
  ASSERT_TRUE(FClipboard->Open());
  FClipboard->Empty();
  EXPECT_TRUE(FClipboard->SetUnicodeText(std::u16string(u"貼り付け 😀\r\n次の行") + u'\0' + u"hidden"));
  FClipboard->Close();
  EXPECT_EQ(FChanges, Before + 1);
  EXPECT_EQ(XclipGet("text/plain").Output, Utf8(u"貼り付け 😀\r\n次の行"));
  EXPECT_EQ(XclipGet("UTF8_STRING").Output, Utf8(u"貼り付け 😀\r\n次の行"));
  EXPECT_EQ(FChanges, Before + 1);
}

TEST_F(QtClipboard, FileListWriteOffersUrisGnomeFilesAndText) {
  const std::vector<std::u16string> Paths{u"/tmp/日本/ファイル.txt", u"/tmp/b c.txt"};
  const int Before = FChanges;
  ASSERT_TRUE(FClipboard->Open());
  FClipboard->Empty();
  FClipboard->SetData(CF_HDROP_FORMAT, BuildDropFiles(Paths));
  FClipboard->SetUnicodeText(u"/tmp/日本/ファイル.txt\r\n/tmp/b c.txt");
  FClipboard->Close();
  EXPECT_EQ(FChanges, Before + 1);

  const std::string Uris = "file:///tmp/%E6%97%A5%E6%9C%AC/%E3%83%95%E3%82%A1%E3%82%A4%E3%83%AB.txt\r\n"
                           "file:///tmp/b%20c.txt\r\n";
  EXPECT_EQ(XclipGet("text/uri-list").Output, Uris);
  EXPECT_EQ(XclipGet("x-special/gnome-copied-files").Output,
            "copy\nfile:///tmp/%E6%97%A5%E6%9C%AC/%E3%83%95%E3%82%A1%E3%82%A4%E3%83%AB.txt\nfile:///tmp/b%20c.txt");
  EXPECT_EQ(XclipGet("text/plain").Output, Utf8(u"/tmp/日本/ファイル.txt\r\n/tmp/b c.txt"));

  // And the program reads its own list back as files.
  EXPECT_TRUE(FClipboard->IsFormatAvailable(CF_HDROP_FORMAT));
  ASSERT_TRUE(FClipboard->Open());
  EXPECT_EQ(FClipboard->GetDroppedFiles(), Paths);
  FClipboard->Close();
}

TEST_F(QtClipboard, BitmapWriteOffersPng) {
  const TImage Picture = SamplePicture();
  const int Before = FChanges;
  ASSERT_TRUE(FClipboard->Open());
  FClipboard->Empty();
  FClipboard->SetBitmap(Picture);
  FClipboard->Close();
  EXPECT_EQ(FChanges, Before + 1);
  const auto Png = XclipGet("image/png");
  ASSERT_EQ(Png.ExitCode, 0);
  TQtImaging Imaging;
  EXPECT_EQ(Imaging.DecodePng(BytesOf(Png.Output)).Pixels, Picture.Pixels);
}

TEST_F(QtClipboard, WritesAreGatheredUntilClose) {
  OtherProgramPuts("UTF8_STRING", "before");
  const int Before = FChanges;
  ASSERT_TRUE(FClipboard->Open());
  FClipboard->Empty();
  FClipboard->SetUnicodeText(u"first");
  FClipboard->SetData(FExclude, BytesOf("1"));
  // Nothing is published while the sequence runs.
  EXPECT_EQ(FChanges, Before);
  EXPECT_EQ(XclipGet("UTF8_STRING").Output, "before");
  FClipboard->Close();
  EXPECT_EQ(FChanges, Before + 1);
  EXPECT_EQ(XclipGet("UTF8_STRING").Output, "first");
  EXPECT_EQ(XclipGet("ExcludeClipboardContentFromMonitorProcessing").Output, "1");
}

TEST_F(QtClipboard, OpenAndCloseWithoutWritingChangeNothing) {
  OtherProgramPuts("UTF8_STRING", "kept");
  const int Before = FChanges;
  ASSERT_TRUE(FClipboard->Open());
  FClipboard->Close();
  EXPECT_EQ(FChanges, Before);
  EXPECT_EQ(XclipGet("UTF8_STRING").Output, "kept");
}

TEST_F(QtClipboard, WritesNeedAnOpenClipboard) {
  EXPECT_FALSE(FClipboard->SetUnicodeText(u"x"));
  EXPECT_THROW(FClipboard->SetData(CF_HDROP_FORMAT, BuildDropFiles({u"/a"})), TError);
  EXPECT_THROW(FClipboard->SetBitmap(SamplePicture()), TError);
}

TEST_F(QtClipboard, MalformedFileListIsRefused) {
  OtherProgramPuts("UTF8_STRING", "kept");
  const int Before = FChanges;
  {
    TClipboardSession Session(*FClipboard);
    FClipboard->Empty();
    EXPECT_THROW(FClipboard->SetData(CF_HDROP_FORMAT, TBytes(10, 0)), TError);
  }
  // Emptied and closed: the clipboard is cleared, as the desktop's empty-then-close does.
  EXPECT_EQ(FChanges, Before + 1);
  EXPECT_FALSE(FClipboard->HasUnicodeText());
}

// --- Texts and file lists at the bound ---------------------------------------------------------

struct TLongTextCase {
  const char* Name;
  std::string Target;
  // Made when the case runs: the table's texts are tens of megabytes each, and every test
  // program start (one per test) would otherwise build them all.
  std::string (*Bytes)();
  std::size_t Length; // UTF-16 code units Qt decodes the bytes to
};
void PrintTo(const TLongTextCase& ACase, std::ostream* AOut) { *AOut << ACase.Name; }

std::string Repeated(const std::string& AUnit, std::size_t ACount) {
  std::string Out;
  Out.reserve(AUnit.size() * ACount);
  for (std::size_t I = 0; I < ACount; ++I) Out += AUnit;
  return Out;
}

constexpr std::size_t Max = MaxCapturedTextLength;

class QtClipboardLongText : public QtClipboard, public ::testing::WithParamInterface<TLongTextCase> {};

// Up to the bound the text arrives whole; one code unit more and the read refuses it, naming its
// length, whatever the bytes' encoding on the wire.
TEST_P(QtClipboardLongText, IsReadUpToTheBoundAndRefusedAbove) {
  const TLongTextCase& Case = GetParam();
  OtherProgramPuts(Case.Target, Case.Bytes());
  ASSERT_TRUE(FClipboard->Open());
  if (Case.Length <= Max) {
    const auto Text = FClipboard->GetUnicodeText();
    ASSERT_TRUE(Text.has_value());
    EXPECT_EQ(Text->size(), Case.Length);
  } else {
    try {
      FClipboard->GetUnicodeText();
      ADD_FAILURE() << "a text above the bound was read";
    } catch (const TTextTooLarge& E) {
      EXPECT_EQ(E.Message(), u"The text is too large to record (" + IntToStr(static_cast<long long>(Case.Length)) +
                                 u" characters, at most 8388608)");
    }
    EXPECT_THROW(FClipboard->GetData(CF_UNICODETEXT_FORMAT), TTextTooLarge);
  }
  FClipboard->Close();
}

const TLongTextCase LongTextCases[] = {
    {"AsciiAtTheBound", "UTF8_STRING", [] { return std::string(Max, 'a'); }, Max},
    {"AsciiAboveTheBound", "UTF8_STRING", [] { return std::string(Max + 1, 'a'); }, Max + 1},
    // Three bytes a character: UTF-8 three times as long as the text.
    {"JapaneseAtTheBound", "UTF8_STRING", [] { return Repeated("語", Max); }, Max},
    {"JapaneseAboveTheBound", "UTF8_STRING", [] { return Repeated("語", Max + 1); }, Max + 1},
    // Four bytes for two code units.
    {"EmojiAtTheBound", "UTF8_STRING", [] { return Repeated("😀", Max / 2); }, Max},
    {"EmojiAboveTheBound", "UTF8_STRING", [] { return Repeated("😀", Max / 2) + "a"; }, Max + 1},
    {"Latin1StringAboveTheBound", "STRING", [] { return std::string(Max + 1, 'c'); }, Max + 1},
    // Bytes that are not UTF-8 become U+FFFD each, and count as such.
    {"InvalidUtf8AboveTheBound", "UTF8_STRING", [] { return std::string(Max + 1, '\xFF'); }, Max + 1},
    // The text ends at its first zero: a long block with an early zero is a short text.
    {"ZeroBeforeTheBound", "UTF8_STRING",
     [] { return "short" + std::string(1, '\0') + std::string(Max, 'z'); }, 5},
};

INSTANTIATE_TEST_SUITE_P(Bound, QtClipboardLongText, ::testing::ValuesIn(LongTextCases),
                         [](const auto& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(QtClipboard, FileListAboveTheBoundIsRefused) {
  // 32,767 paths of 254 characters and one of 257: joined by line breaks, one code unit above the
  // bound.
  std::string UriList;
  for (int I = 0; I < 32767; ++I) UriList += "file:///" + std::string(253, static_cast<char>('a' + I % 26)) + "\r\n";
  UriList += "file:///" + std::string(256, 'z') + "\r\n";
  OtherProgramPuts("text/uri-list", UriList);
  ASSERT_TRUE(FClipboard->Open());
  try {
    FClipboard->GetDroppedFiles();
    ADD_FAILURE() << "a file list above the bound was read";
  } catch (const TTextTooLarge& E) {
    EXPECT_EQ(E.Message(), u"The file list is too large to record (8388609 characters, at most 8388608)");
  }
  FClipboard->Close();
}

// --- The CF_HDROP block ------------------------------------------------------------------------

TEST(DropFilesBlock, ParsesWhatTheCoreBuilds) {
  const std::vector<std::vector<std::u16string>> Lists{
      {u"/a"}, {u"/tmp/日本/ファイル.txt", u"/x y/😀.png", u"/z"}, {}};
  for (const auto& Paths : Lists) EXPECT_EQ(ParseDropFiles(BuildDropFiles(Paths)), Paths);
}

TEST(DropFilesBlock, Cases) {
  auto Header = [](std::uint32_t AStart, bool AWide) {
    TBytes Block(20, 0);
    Block[0] = static_cast<std::uint8_t>(AStart);
    if (AWide) Block[16] = 1;
    return Block;
  };
  auto Append = [](TBytes ABlock, const std::string& ABytes) {
    ABlock.insert(ABlock.end(), ABytes.begin(), ABytes.end());
    return ABlock;
  };
  struct TCase {
    const char* Name;
    TBytes Block;
    std::vector<std::u16string> Paths;
    bool Throws;
  };
  const TCase Cases[] = {
      {"8-bit paths", Append(Header(20, false), std::string("/a\0/b\0\0", 7)), {u"/a", u"/b"}, false},
      {"a later start", Append(Header(24, true), std::string("\xFF\xFF\xFF\xFF/\0c\0\0\0\0\0", 12)), {u"/c"}, false},
      {"no final empty path", Append(Header(20, true), std::string("/\0d\0", 4)), {u"/d"}, false},
      {"shorter than the header", TBytes(19, 0), {}, true},
      {"start inside the header", Append(Header(8, true), std::string(4, '\0')), {}, true},
      {"start past the end", Header(40, true), {}, true},
  };
  for (const TCase& Case : Cases) {
    if (Case.Throws) {
      EXPECT_THROW(ParseDropFiles(Case.Block), TError) << Case.Name;
    } else {
      EXPECT_EQ(ParseDropFiles(Case.Block), Case.Paths) << Case.Name;
    }
  }
}

} // namespace
} // namespace vm
