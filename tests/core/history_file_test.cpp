#include <gtest/gtest.h>

#include <filesystem>

#include "app/history_persistence.h"
#include "history/history_file.h"
#include "history_test_support.h"
#include "support/error.h"

namespace vm::test {
namespace {

namespace fs = std::filesystem;

TClipItem Item(TClipItemType AType, std::u16string AText, std::u16string AImage, bool APinned) {
  TClipItem Result;
  Result.ItemType = AType;
  Result.Text = std::move(AText);
  Result.ImageFile = std::move(AImage);
  Result.Pinned = APinned;
  return Result;
}

void ExpectSameItems(const TClipItemList& AActual, const std::vector<TClipItem>& AExpected) {
  ASSERT_EQ(AActual.Count(), static_cast<int>(AExpected.size()));
  for (int I = 0; I < AActual.Count(); ++I) {
    const TClipItem& Want = AExpected[static_cast<std::size_t>(I)];
    EXPECT_EQ(AActual[I].ItemType, Want.ItemType) << "entry " << I;
    EXPECT_TRUE(AActual[I].Text == Want.Text) << "entry " << I << ": " << Utf16ToUtf8(AActual[I].Text);
    EXPECT_TRUE(AActual[I].ImageFile == Want.ImageFile) << "entry " << I;
    EXPECT_EQ(AActual[I].Pinned, Want.Pinned) << "entry " << I;
  }
}

std::string Bytes(const TBytes& AData) { return std::string(AData.begin(), AData.end()); }
TBytes Bytes(const std::string& AData) { return TBytes(AData.begin(), AData.end()); }

class HistoryFile : public THistoryTest {
protected:
  // What the file holds once unprotected.
  std::string StoredDocument() const { return Bytes(TFakeDataProtection::Reveal(Bytes(ReadFileBytes(DataFilePath())))); }
  void StoreDocument(const std::string& ADocument) { WriteFileBytes(DataFilePath(), Bytes(Protection.Protect(Bytes(ADocument)))); }
  static std::u16string BrokenPath() { return DataFilePath() + u".broken"; }
};

// ---- The exact document --------------------------------------------------------------

struct TDocumentCase {
  const char* Name;
  std::vector<TClipItem> Items;
  std::string Document;
  std::vector<TClipItem> Reloaded; // empty: the same as Items
};

std::ostream& operator<<(std::ostream& AOut, const TDocumentCase& ACase) { return AOut << ACase.Name; }

class DocumentCases : public HistoryFile, public ::testing::WithParamInterface<TDocumentCase> {};

TEST_P(DocumentCases, IsWrittenToTheByteAndReadBack) {
  const TDocumentCase& Case = GetParam();
  for (const TClipItem& Entry : Case.Items) History.Items().Add(Entry);
  EXPECT_EQ(HistoryToJson(History.Items()), Case.Document);

  ASSERT_TRUE(SaveHistory(History));
  EXPECT_EQ(StoredDocument(), Case.Document);

  TClipHistory Loaded(Protection);
  Loaded.LoadFromFile(DataFilePath());
  ExpectSameItems(Loaded.Items(), Case.Reloaded.empty() ? Case.Items : Case.Reloaded);
  EXPECT_EQ(LogText(), "");
}

const char16_t LoneSurrogate[] = {u'a', 0xD800, u'b', 0};

INSTANTIATE_TEST_SUITE_P(
    History, DocumentCases,
    ::testing::Values(
        TDocumentCase{"Empty", {}, "[]", {}},
        TDocumentCase{"PinnedTextAboveImage",
                      {Item(citText, u"A/B", u"", true), Item(citImage, u"", u"a1.png", false)},
                      R"([{"t":0,"x":"A\/B","i":"","p":true},{"t":1,"x":"","i":"a1.png","p":false}])",
                      {}},
        TDocumentCase{"QuotesBackslashesAndShortEscapes",
                      {Item(citText, u"say \"hi\" C:\\dir\r\nnext\ttab\b\f", u"", false)},
                      R"([{"t":0,"x":"say \"hi\" C:\\dir\r\nnext\ttab\b\f","i":"","p":false}])",
                      {}},
        TDocumentCase{"OtherControlsAsUpperCaseHex",
                      {Item(citText, std::u16string(u"a\0b\x01\x1F\x7F", 6), u"", false)},
                      "[{\"t\":0,\"x\":\"a\\u0000b\\u0001\\u001F\x7F\",\"i\":\"\",\"p\":false}]",
                      {}},
        TDocumentCase{"JapaneseAndAccents",
                      {Item(citText, u"日本 é", u"", false)},
                      R"([{"t":0,"x":"\u65E5\u672C \u00E9","i":"","p":false}])",
                      {}},
        TDocumentCase{"SurrogatePairsAsTwoEscapes",
                      {Item(citText, u"📌🖼", u"", true)},
                      R"([{"t":0,"x":"\uD83D\uDCCC\uD83D\uDDBC","i":"","p":true}])",
                      {}},
        TDocumentCase{"FileList",
                      {Item(citFiles, u"C:\\a\\x.txt\r\nD:\\日.txt", u"", false)},
                      R"([{"t":2,"x":"C:\\a\\x.txt\r\nD:\\\u65E5.txt","i":"","p":false}])",
                      {}},
        // A text cut inside a character keeps its lone half, written as its own escape.
        TDocumentCase{"LoneSurrogateAsItsOwnEscape",
                      {Item(citText, LoneSurrogate, u"", false)},
                      R"([{"t":0,"x":"a\uD800b","i":"","p":false}])",
                      {}}),
    [](const ::testing::TestParamInfo<TDocumentCase>& AInfo) { return std::string(AInfo.param.Name); });

// ---- Documents from elsewhere --------------------------------------------------------

struct TReadCase {
  const char* Name;
  std::string Document;
  std::string Expected; // Describe() of the loaded history
};

std::ostream& operator<<(std::ostream& AOut, const TReadCase& ACase) { return AOut << ACase.Name; }

class ReadCases : public HistoryFile, public ::testing::WithParamInterface<TReadCase> {};

TEST_P(ReadCases, LoadWhatTheWriterWouldNotProduce) {
  StoreDocument(GetParam().Document);
  History.LoadFromFile(DataFilePath());
  EXPECT_EQ(Describe(History), GetParam().Expected);
  EXPECT_EQ(LogText(), "");
  EXPECT_FALSE(FileExists(BrokenPath()));
}

INSTANTIATE_TEST_SUITE_P(
    History, ReadCases,
    ::testing::Values(
        TReadCase{"MembersInAnyOrderExtrasAndWhitespace",
                  " [ { \"p\" : true , \"extra\" : [1, {\"t\":2}], \"i\" : \"\" , \"x\" : \"A\" , \"t\" : 0 } ,\r\n"
                  "\t{\"i\":\"a.png\",\"t\":1} ] ",
                  "A* img:a.png"},
        TReadCase{"TypeAboveRangeIsFileList", R"([{"t":7,"x":"C:\\a"}])", "files:C:\\a"},
        TReadCase{"HugeTypeIsFileList", R"([{"t":18446744073709551615,"x":"a"}])", "files:a"},
        TReadCase{"NegativeTypeIsText", R"([{"t":-1,"x":"a"}])", "a"},
        TReadCase{"MissingTypeIsText", R"([{"x":"a"}])", "a"},
        TReadCase{"QuotedTypeIsConverted", R"([{"t":"1","i":"a.png"}])", "img:a.png"},
        TReadCase{"NullMembersTakeDefaults", R"([{"t":null,"x":"a","i":null,"p":null},{"x":null}])", "a "},
        TReadCase{"OtherElementsAreSkipped", R"([1,"x",{"x":"a"},null,[],true,{"x":"b"}])", "a b"},
        TReadCase{"LowerCaseEscapesAndPlainUtf8", "[{\"x\":\"\\u00e9\\/\xC3\xA9\"}]", "\xC3\xA9/\xC3\xA9"},
        TReadCase{"FileOrderIsKept", R"([{"x":"a"},{"x":"b","p":true},{"x":"a"}])", "a b* a"}),
    [](const ::testing::TestParamInfo<TReadCase>& AInfo) { return std::string(AInfo.param.Name); });

// ---- Surrogates, paired or not --------------------------------------------------------

struct TSurrogateCase {
  const char* Name;
  std::string Escaped;       // the string's content as the document holds it
  std::u16string CodeUnits;  // what the entry's text holds
};

std::ostream& operator<<(std::ostream& AOut, const TSurrogateCase& ACase) { return AOut << ACase.Name; }

std::u16string Units(std::initializer_list<char16_t> AUnits) { return std::u16string(AUnits); }

class SurrogateCases : public HistoryFile, public ::testing::WithParamInterface<TSurrogateCase> {};

// Every case loads with exactly its code units, and saving it again gives the same bytes.
TEST_P(SurrogateCases, LoadExactlyAndRoundTripToTheByte) {
  const TSurrogateCase& Case = GetParam();
  const std::string Document = R"([{"t":0,"x":")" + Case.Escaped + R"(","i":")" + Case.Escaped + R"(","p":false}])";
  StoreDocument(Document);
  History.LoadFromFile(DataFilePath());
  ASSERT_EQ(History.Items().Count(), 1) << LogText();
  EXPECT_TRUE(History.Items()[0].Text == Case.CodeUnits) << Utf16ToUtf8(History.Items()[0].Text);
  EXPECT_TRUE(History.Items()[0].ImageFile == Case.CodeUnits);
  EXPECT_EQ(LogText(), "");
  EXPECT_FALSE(FileExists(BrokenPath()));

  ASSERT_TRUE(SaveHistory(History));
  EXPECT_EQ(StoredDocument(), Document);
}

INSTANTIATE_TEST_SUITE_P(
    History, SurrogateCases,
    ::testing::Values(
        TSurrogateCase{"Pair", R"(\uD83D\uDCCC)", Units({0xD83D, 0xDCCC})},
        TSurrogateCase{"PairsBackToBack", R"(\uD83D\uDCCC\uD83D\uDDBC)", Units({0xD83D, 0xDCCC, 0xD83D, 0xDDBC})},
        TSurrogateCase{"ReversedPair", R"(\uDCCC\uD83D)", Units({0xDCCC, 0xD83D})},
        TSurrogateCase{"HighAlone", R"(\uD83D)", Units({0xD83D})},
        TSurrogateCase{"LowAlone", R"(\uDCCC)", Units({0xDCCC})},
        TSurrogateCase{"HighAtStart", R"(\uD800ab)", Units({0xD800, u'a', u'b'})},
        TSurrogateCase{"HighInTheMiddle", R"(a\uDBFFb)", Units({u'a', 0xDBFF, u'b'})},
        TSurrogateCase{"HighAtEnd", R"(ab\uD83D)", Units({u'a', u'b', 0xD83D})},
        TSurrogateCase{"LowAtStart", R"(\uDC00ab)", Units({0xDC00, u'a', u'b'})},
        TSurrogateCase{"LowInTheMiddle", R"(a\uDFFFb)", Units({u'a', 0xDFFF, u'b'})},
        TSurrogateCase{"LowAtEnd", R"(ab\uDCCC)", Units({u'a', u'b', 0xDCCC})},
        TSurrogateCase{"TwoHighsThenALow", R"(\uD83D\uD83D\uDCCC)", Units({0xD83D, 0xD83D, 0xDCCC})},
        TSurrogateCase{"HighBeforeAnEscapedCharacter", R"(\uD83D\n\u65E5)", Units({0xD83D, u'\n', 0x65E5})},
        TSurrogateCase{"LoneHalfBesideAPair", R"(\uDCCC\uD83D\uDCCC\uD83D)", Units({0xDCCC, 0xD83D, 0xDCCC, 0xD83D})}),
    [](const ::testing::TestParamInfo<TSurrogateCase>& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(HistoryFile, LowerCaseSurrogateEscapesAndQuotedMemberNamesWithEscapesLoad) {
  StoreDocument(R"([{"\u0074":1,"x":"\ud83d","\u0069":"a\udcccb.png"}])");
  History.LoadFromFile(DataFilePath());
  ASSERT_EQ(History.Items().Count(), 1) << LogText();
  EXPECT_EQ(History.Items()[0].ItemType, citImage);
  EXPECT_TRUE(History.Items()[0].Text == Units({0xD83D}));
  EXPECT_TRUE(History.Items()[0].ImageFile == Units({u'a', 0xDCCC, u'b', u'.', u'p', u'n', u'g'}));
}

TEST_F(HistoryFile, LoadsMoreEntriesThanTheMaximumAndTrimsOnlyOnTheNextAdd) {
  for (int I = 0; I < 35; ++I) History.Items().Add(Item(citText, u"t" + IntToStr(I), u"", false));
  ASSERT_TRUE(SaveHistory(History));
  TClipHistory Loaded(Protection);
  Loaded.LoadFromFile(DataFilePath());
  EXPECT_EQ(Loaded.Items().Count(), 35);
  Loaded.AddText(u"new");
  EXPECT_EQ(Loaded.Items().Count(), 30);
}

// ---- Load failures -------------------------------------------------------------------

struct TFailureCase {
  const char* Name;
  std::string Document;
  std::string Message; // what follows "History load failed: "
  bool MessageIsPrefix;
};

std::ostream& operator<<(std::ostream& AOut, const TFailureCase& ACase) { return AOut << ACase.Name; }

class FailureCases : public HistoryFile, public ::testing::WithParamInterface<TFailureCase> {};

TEST_P(FailureCases, AreLoggedCopiedAsideAndLeaveAnEmptyHistory) {
  const TFailureCase& Case = GetParam();
  StoreDocument(Case.Document);
  const std::string Stored = ReadFileBytes(DataFilePath());
  Fill(History, "OLD");

  History.LoadFromFile(DataFilePath());

  EXPECT_EQ(History.Items().Count(), 0) << Describe(History);
  const std::string Log = LogText();
  if (Case.MessageIsPrefix)
    EXPECT_TRUE(Log.starts_with("2024/05/01 09:05:07:042  History load failed: " + Case.Message)) << Log;
  else
    EXPECT_EQ(Log, LogLine("History load failed: " + Case.Message));
  EXPECT_EQ(ReadFileBytes(BrokenPath()), Stored);
  EXPECT_EQ(ReadFileBytes(DataFilePath()), Stored); // the damaged file stays until the next save
}

INSTANTIATE_TEST_SUITE_P(
    History, FailureCases,
    ::testing::Values(
        TFailureCase{"NotJson", "hello", "The history document is not valid JSON (", true},
        TFailureCase{"TruncatedArray", R"([{"t":0,"x":"a"},)", "The history document is not valid JSON (", true},
        TFailureCase{"EmptyDocument", "", "The history document is not valid JSON (", true},
        TFailureCase{"ObjectAtTop", R"({"t":0,"x":"a"})", "The history document is not a JSON array", false},
        TFailureCase{"StringAtTop", R"("[]")", "The history document is not a JSON array", false},
        TFailureCase{"TextNotAString", R"([{"x":"a"},{"x":5}])", R"(The member "x" of element 1 is not a string)", false},
        TFailureCase{"ImageNotAString", R"([{"t":1,"i":true}])", R"(The member "i" of element 0 is not a string)", false},
        TFailureCase{"PinnedAsString", R"([{"x":"a","p":"yes"}])", R"(The member "p" of element 0 is not true or false)", false},
        TFailureCase{"PinnedAsNumber", R"([{"x":"a","p":1}])", R"(The member "p" of element 0 is not true or false)", false},
        TFailureCase{"TypeAsBoolean", R"([{"t":true}])", R"(The member "t" of element 0 is not an integer)", false},
        TFailureCase{"TypeWithFraction", R"([{"t":1.5}])", R"(The member "t" of element 0 is not an integer)", false},
        TFailureCase{"TypeAsWord", R"([{"t":"one"}])", R"(The member "t" of element 0 is not an integer)", false},
        TFailureCase{"EscapeWithoutHexDigits", R"([{"x":"a\uZZZZ"}])", "The history document is not valid JSON (", true},
        TFailureCase{"TruncatedEscape", R"([{"x":"a\uD8"}])", "The history document is not valid JSON (", true},
        TFailureCase{"TruncatedEscapeAtTheEnd", R"([{"x":"a\uD8)", "The history document is not valid JSON (", true},
        TFailureCase{"UnknownEscape", R"([{"x":"a\qb"}])", "The history document is not valid JSON (", true},
        TFailureCase{"BackslashBeforeTheClosingQuote", R"([{"x":"a\"}])", "The history document is not valid JSON (", true},
        TFailureCase{"RawLineBreakInAString", "[{\"x\":\"a\nb\"}]", "The history document is not valid JSON (", true},
        TFailureCase{"MalformedEscapeInAMemberName", R"([{"\u00":0}])", "The history document is not valid JSON (", true},
        TFailureCase{"NotUtf8", "[{\"x\":\"\xFF\"}]",
                     "No mapping for the Unicode character exists in the target multi-byte code page (invalid UTF-8 at byte 7)",
                     false}),
    [](const ::testing::TestParamInfo<TFailureCase>& AInfo) { return std::string(AInfo.param.Name); });

TEST_F(HistoryFile, TamperedFileFailsToUnprotect) {
  Fill(History, "A* B");
  ASSERT_TRUE(SaveHistory(History));
  std::string Stored = ReadFileBytes(DataFilePath());
  Stored.back() = static_cast<char>(Stored.back() ^ 0x01);
  WriteFileBytes(DataFilePath(), Stored);

  TClipHistory Loaded(Protection);
  Loaded.LoadFromFile(DataFilePath());
  EXPECT_EQ(Loaded.Items().Count(), 0);
  EXPECT_EQ(LogText(), LogLine("History load failed: CryptUnprotectData failed: The data is invalid"));
  EXPECT_EQ(ReadFileBytes(BrokenPath()), Stored);
}

TEST_F(HistoryFile, SecondFailureReplacesTheBrokenCopy) {
  WriteFileBytes(DataFilePath(), "first damaged content");
  History.LoadFromFile(DataFilePath());
  EXPECT_EQ(ReadFileBytes(BrokenPath()), "first damaged content");
  WriteFileBytes(DataFilePath(), "second");
  History.LoadFromFile(DataFilePath());
  EXPECT_EQ(ReadFileBytes(BrokenPath()), "second");
  const std::string Line = LogLine("History load failed: CryptUnprotectData failed: The data is invalid");
  EXPECT_EQ(LogText(), Line + Line);
}

// The file that failed to load may be the user's only copy of the history (written under a key
// that comes back, or readable by a repair): no save replaces it before the copy aside exists.
TEST_F(HistoryFile, AFileThatCouldNotBeCopiedAsideIsNotReplacedUntilTheCopyIsMade) {
  WriteFileBytes(DataFilePath(), "written under another key");
  fs::create_directories(FsPath(BrokenPath()) / "in the way");
  History.LoadFromFile(DataFilePath());
  EXPECT_EQ(LogText(), LogLine("History load failed: CryptUnprotectData failed: The data is invalid"));

  History.AddText(u"new");
  EXPECT_FALSE(SaveHistory(History));
  EXPECT_TRUE(LogText().ends_with("  History save failed: The history file that could not be read has no copy \"" +
                                  Utf16ToUtf8(BrokenPath()) + "\" yet and is kept as it is\r\n"))
      << LogText();
  EXPECT_EQ(ReadFileBytes(DataFilePath()), "written under another key");
  EXPECT_EQ(Describe(History), "new");

  fs::remove_all(FsPath(BrokenPath()));
  EXPECT_TRUE(SaveHistory(History));
  EXPECT_EQ(ReadFileBytes(BrokenPath()), "written under another key");
  EXPECT_EQ(StoredDocument(), R"([{"t":0,"x":"new","i":"","p":false}])");
  EXPECT_FALSE(fs::exists(FsPath(BrokenPath() + u".tmp")));
}

TEST_F(HistoryFile, ZeroByteFileIsAnEmptyHistory) {
  WriteFileBytes(DataFilePath(), "");
  Fill(History, "OLD");
  History.LoadFromFile(DataFilePath());
  EXPECT_EQ(History.Items().Count(), 0);
  EXPECT_EQ(Protection.UnprotectCalls, 0);
  EXPECT_EQ(LogText(), "");
  EXPECT_FALSE(FileExists(BrokenPath()));
}

TEST_F(HistoryFile, MissingFileIsAnEmptyHistory) {
  Fill(History, "img:keep.png");
  WriteFileBytes(ImagesDir() + u"keep.png", "png");
  History.LoadFromFile(DataFilePath());
  EXPECT_EQ(History.Items().Count(), 0);
  EXPECT_TRUE(FileExists(ImagesDir() + u"keep.png")); // clearing before a load deletes no image
  EXPECT_EQ(LogText(), "");
  EXPECT_FALSE(FileExists(BrokenPath()));
}

// ---- Saving --------------------------------------------------------------------------

TEST_F(HistoryFile, EmptyHistoryStillGivesAProtectedFile) {
  ASSERT_TRUE(SaveHistory(History));
  EXPECT_FALSE(ReadFileBytes(DataFilePath()).empty());
  EXPECT_EQ(StoredDocument(), "[]");
  History.LoadFromFile(DataFilePath());
  EXPECT_EQ(History.Items().Count(), 0);
  EXPECT_EQ(LogText(), "");
}

TEST_F(HistoryFile, SaveCreatesTheFolderAndAFileForTheOwnerOnly) {
  ASSERT_FALSE(DirectoryExists(BaseDir()));
  Fill(History, "A");
  ASSERT_TRUE(SaveHistory(History));
  EXPECT_EQ(StoredDocument(), R"([{"t":0,"x":"A","i":"","p":false}])");
  EXPECT_FALSE(fs::exists(FsPath(DataFilePath() + u".tmp")));
#ifndef _WIN32
  EXPECT_EQ(fs::status(FsPath(DataFilePath())).permissions(), fs::perms::owner_read | fs::perms::owner_write);
#endif
}

TEST_F(HistoryFile, SaveReplacesAnOpenlyReadableFileWithAPrivateOne) {
  WriteFileBytes(DataFilePath(), "old");
  fs::permissions(FsPath(DataFilePath()), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                              fs::perms::others_read);
  Fill(History, "A");
  ASSERT_TRUE(SaveHistory(History));
  EXPECT_EQ(StoredDocument(), R"([{"t":0,"x":"A","i":"","p":false}])");
#ifndef _WIN32
  EXPECT_EQ(fs::status(FsPath(DataFilePath())).permissions(), fs::perms::owner_read | fs::perms::owner_write);
#endif
}

TEST_F(HistoryFile, FailedProtectionKeepsTheOldFile) {
  Fill(History, "A");
  ASSERT_TRUE(SaveHistory(History));
  const std::string Old = ReadFileBytes(DataFilePath());
  History.AddText(u"B");
  Protection.FailProtect = true;
  Protection.FailMessage = u"Key not valid for use in specified state";
  try {
    History.SaveToFile(DataFilePath());
    ADD_FAILURE() << "SaveToFile did not raise";
  } catch (const TError& E) {
    EXPECT_EQ(Utf16ToUtf8(E.Message()), "CryptProtectData failed: Key not valid for use in specified state");
  }
  EXPECT_FALSE(SaveHistory(History));
  EXPECT_EQ(LogText(), LogLine("History save failed: CryptProtectData failed: Key not valid for use in specified state"));
  EXPECT_EQ(ReadFileBytes(DataFilePath()), Old);
  EXPECT_EQ(Describe(History), "B A");
}

TEST_F(HistoryFile, FailedWriteKeepsTheOldFile) {
  Fill(History, "A");
  ASSERT_TRUE(SaveHistory(History));
  const std::string Old = ReadFileBytes(DataFilePath());
  // Something in the way of the temporary file: the write cannot even start.
  fs::create_directories(FsPath(DataFilePath() + u".tmp"));
  History.AddText(u"B");
  EXPECT_FALSE(SaveHistory(History));
  EXPECT_TRUE(LogText().starts_with("2024/05/01 09:05:07:042  History save failed: Cannot create file \"")) << LogText();
  EXPECT_EQ(ReadFileBytes(DataFilePath()), Old);
}

TEST_F(HistoryFile, FolderThatCannotBeCreatedRaises) {
  WriteFileBytes(BaseDir() + u"blocker", "a file where a folder should be");
  Fill(History, "A");
  EXPECT_THROW(History.SaveToFile(BaseDir() + u"blocker" + PathDelim + u"VellomarchData.dat"), TError);
}

// ---- Protection wrappers -------------------------------------------------------------

TEST_F(HistoryFile, EmptyBytesNeverReachTheService) {
  Protection.FailProtect = Protection.FailUnprotect = true;
  EXPECT_TRUE(ProtectBytes(Protection, {}).empty());
  EXPECT_TRUE(UnprotectBytes(Protection, {}).empty());
  EXPECT_EQ(Protection.ProtectCalls + Protection.UnprotectCalls, 0);
}

TEST_F(HistoryFile, ServiceErrorsNameTheFailedCall) {
  Protection.FailProtect = Protection.FailUnprotect = true;
  Protection.FailMessage = u"Access is denied";
  try {
    ProtectBytes(Protection, Bytes(std::string("x")));
    ADD_FAILURE();
  } catch (const TError& E) {
    EXPECT_EQ(Utf16ToUtf8(E.Message()), "CryptProtectData failed: Access is denied");
  }
  try {
    UnprotectBytes(Protection, Bytes(std::string("x")));
    ADD_FAILURE();
  } catch (const TError& E) {
    EXPECT_EQ(Utf16ToUtf8(E.Message()), "CryptUnprotectData failed: Access is denied");
  }
}

} // namespace
} // namespace vm::test
