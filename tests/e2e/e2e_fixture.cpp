#include "e2e_fixture.h"

#include <nlohmann/json.hpp>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <iostream>
#include <stdexcept>

namespace vm::e2e {

namespace {

// The desktop lives as long as the test program; each test brings its own user and program. A
// test that needs another DPI than the running desktop's gets a new desktop.
class TDesktopEnvironment : public ::testing::Environment {
public:
  static TDesktopEnvironment& Instance() {
    static auto* const Environment =
        static_cast<TDesktopEnvironment*>(::testing::AddGlobalTestEnvironment(new TDesktopEnvironment));
    return *Environment;
  }

  void UseDesktop(int ADpi) {
    if (FDesktop && FDesktop->Dpi() == ADpi) return;
    FDesktop.reset();
    // A desktop that fails to come up is tried again: on a machine shared with other X servers a
    // display number can be fought over while it is being chosen.
    for (int Attempt = 1;; ++Attempt) {
      try {
        FDesktop = std::make_unique<TVirtualDesktop>(ADpi);
        return;
      } catch (const std::exception& E) {
        if (Attempt == 3) throw;
        std::cerr << "the virtual desktop did not come up, trying again: " << E.what() << "\n";
      }
    }
  }
  void TearDown() override { FDesktop.reset(); }
  TVirtualDesktop& Desktop() { return *FDesktop; }

private:
  std::unique_ptr<TVirtualDesktop> FDesktop;
};

[[maybe_unused]] TDesktopEnvironment& DesktopEnvironment = TDesktopEnvironment::Instance();

std::uint32_t Crc32(const std::string& ABytes) {
  static const auto Table = [] {
    std::array<std::uint32_t, 256> T{};
    for (std::uint32_t N = 0; N < 256; ++N) {
      std::uint32_t C = N;
      for (int K = 0; K < 8; ++K) C = (C & 1) ? 0xEDB88320u ^ (C >> 1) : C >> 1;
      T[N] = C;
    }
    return T;
  }();
  std::uint32_t C = 0xFFFFFFFFu;
  for (unsigned char B : ABytes) C = Table[(C ^ B) & 0xFF] ^ (C >> 8);
  return C ^ 0xFFFFFFFFu;
}

void PutBigEndian32(std::string& AOut, std::uint32_t AValue) {
  for (int Shift = 24; Shift >= 0; Shift -= 8) AOut += static_cast<char>((AValue >> Shift) & 0xFF);
}

void PutChunk(std::string& AOut, const std::string& AType, const std::string& AData) {
  PutBigEndian32(AOut, static_cast<std::uint32_t>(AData.size()));
  AOut += AType + AData;
  PutBigEndian32(AOut, Crc32(AType + AData));
}

} // namespace

void PrintTo(const TEntry& AEntry, std::ostream* AOut) {
  *AOut << "{t:" << AEntry.Type << " x:\"" << AEntry.Text << "\" i:\"" << AEntry.ImageFile
        << "\" p:" << (AEntry.Pinned ? "true" : "false") << "}";
}

TVirtualDesktop& Desktop() { return TDesktopEnvironment::Instance().Desktop(); }

TEntry TextEntry(const std::string& AText, bool APinned) { return TEntry{0, AText, "", APinned}; }

namespace {

// An 8-bit RGB PNG of AWidth x AHeight around AZlib, the zlib stream of its filtered rows.
std::string AssembleRgbPng(int AWidth, int AHeight, const std::string& AZlib) {
  std::string Png = "\x89PNG\r\n\x1a\n";
  std::string Header;
  PutBigEndian32(Header, static_cast<std::uint32_t>(AWidth));
  PutBigEndian32(Header, static_cast<std::uint32_t>(AHeight));
  Header += std::string("\x08\x02\x00\x00\x00", 5); // 8 bits, RGB, deflate, no filter, no interlace
  PutChunk(Png, "IHDR", Header);
  PutChunk(Png, "IDAT", AZlib);
  PutChunk(Png, "IEND", "");
  return Png;
}

} // namespace

std::string MakePng(int AWidth, int AHeight, unsigned ALeft, unsigned ARight) {
  std::string Raw;
  for (int Y = 0; Y < AHeight; ++Y) {
    Raw += '\0'; // filter type None
    for (int X = 0; X < AWidth; ++X) {
      const unsigned C = X < AWidth / 2 ? ALeft : ARight;
      Raw += static_cast<char>((C >> 16) & 0xFF);
      Raw += static_cast<char>((C >> 8) & 0xFF);
      Raw += static_cast<char>(C & 0xFF);
    }
  }
  // zlib stream of stored deflate blocks.
  std::string Z = "\x78\x01";
  for (std::size_t Pos = 0; Pos < Raw.size() || Pos == 0;) {
    const std::size_t Len = std::min<std::size_t>(65535, Raw.size() - Pos);
    const bool Last = Pos + Len >= Raw.size();
    Z += static_cast<char>(Last ? 1 : 0);
    Z += static_cast<char>(Len & 0xFF);
    Z += static_cast<char>(Len >> 8);
    Z += static_cast<char>(~Len & 0xFF);
    Z += static_cast<char>((~Len >> 8) & 0xFF);
    Z += Raw.substr(Pos, Len);
    Pos += Len;
    if (Last) break;
  }
  std::uint32_t A = 1, B = 0;
  for (unsigned char C : Raw) {
    A = (A + C) % 65521;
    B = (B + A) % 65521;
  }
  PutBigEndian32(Z, (B << 16) | A);

  return AssembleRgbPng(AWidth, AHeight, Z);
}

std::string MakeSolidPng(int AWidth, int AHeight, unsigned AColour) {
  std::string Row(1 + 3 * static_cast<std::size_t>(AWidth), '\0'); // filter type None
  for (std::size_t X = 0; X < static_cast<std::size_t>(AWidth); ++X) {
    Row[1 + 3 * X] = static_cast<char>((AColour >> 16) & 0xFF);
    Row[2 + 3 * X] = static_cast<char>((AColour >> 8) & 0xFF);
    Row[3 + 3 * X] = static_cast<char>(AColour & 0xFF);
  }
  z_stream Stream{};
  if (deflateInit(&Stream, Z_BEST_COMPRESSION) != Z_OK) throw std::runtime_error("deflateInit failed");
  std::string Z;
  char Out[1 << 16];
  for (int Y = 0; Y <= AHeight; ++Y) {
    const bool Last = Y == AHeight;
    Stream.next_in = reinterpret_cast<Bytef*>(Last ? nullptr : Row.data());
    Stream.avail_in = Last ? 0 : static_cast<uInt>(Row.size());
    do {
      Stream.next_out = reinterpret_cast<Bytef*>(Out);
      Stream.avail_out = sizeof Out;
      deflate(&Stream, Last ? Z_FINISH : Z_NO_FLUSH);
      Z.append(Out, sizeof Out - Stream.avail_out);
    } while (Stream.avail_out == 0);
  }
  deflateEnd(&Stream);

  return AssembleRgbPng(AWidth, AHeight, Z);
}

std::string FileUri(const fs::path& APath) {
  static const char* Hex = "0123456789ABCDEF";
  std::string Uri = "file://";
  for (unsigned char C : APath.string()) {
    if (std::isalnum(C) || C == '/' || C == '-' || C == '_' || C == '.' || C == '~') {
      Uri += static_cast<char>(C);
    } else {
      Uri += '%';
      Uri += Hex[C >> 4];
      Uri += Hex[C & 15];
    }
  }
  return Uri;
}

std::string Md5Hex(const fs::path& AFile) {
  const TRunResult R = RunCommand({"md5sum", "-b", AFile.string()});
  return R.Out.substr(0, 32);
}

// --- TE2ETest ------------------------------------------------------------------------------------

void TE2ETest::SetUp() {
  TDesktopEnvironment::Instance().UseDesktop(DesktopDpi());
  UsePrivateUserFolders(Root() / "user");
  // The program is built with the sanitizers in the test build; leaks of system libraries are
  // not its own (no effect on a build without them).
  setenv("LSAN_OPTIONS", "suppressions=" VELLOMARCH_E2E_LSAN_SUPPRESSIONS ":print_suppressions=0", 1);
  fs::create_directories(AppFolder());
  // Beside its executable the program keeps its data folder when that folder is writable: a copy
  // of its own gives every test a data folder of its own.
  fs::copy_file(VELLOMARCH_E2E_PROGRAM, ProgramPath());
  fs::permissions(ProgramPath(), fs::perms::owner_all, fs::perm_options::add);
  // Start every test with the pointer away from where popups open and an empty clipboard owner.
  MoveMouse(5, 5);
}

void TE2ETest::TearDown() {
  if (HasFailure()) {
    Screenshot(ScreenshotFolder() / "failures" /
               (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".png"));
  }
  FProgram.Stop(10000ms);
  FTarget.Stop();
  FClipOwners.clear();
  // The test build runs the program with the sanitizers: whatever they found fails the test.
  for (const char* Log : {"vellomarch.log", "second.log"}) {
    const std::string Text = ReadFile(Root() / Log);
    for (const char* Finding : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"})
      if (Text.find(Finding) != std::string::npos) ADD_FAILURE() << Log << " reports \"" << Finding << "\"";
  }
  if (HasFailure()) DumpLogs();
}

void TE2ETest::DumpLogs() {
  std::cerr << "--- program output\n" << ReadFile(Root() / "vellomarch.log");
  if (fs::exists(Root() / "second.log")) std::cerr << "--- second start\n" << ReadFile(Root() / "second.log");
  std::error_code Ec;
  if (fs::is_directory(DataFolder() / "Log", Ec))
    for (const auto& F : fs::directory_iterator(DataFolder() / "Log"))
      std::cerr << "--- " << F.path().filename() << "\n" << ReadFile(F.path());
}

fs::path TE2ETest::ScreenshotFolder() const { return VELLOMARCH_E2E_SCREENSHOTS; }

std::vector<std::string> TE2ETest::LogLines() const {
  std::vector<std::string> Lines;
  std::error_code Ec;
  std::vector<fs::path> Files;
  for (const auto& F : fs::directory_iterator(DataFolder() / "Log", Ec))
    if (F.path().filename().string().ends_with("_Vellomarch.log")) Files.push_back(F.path());
  std::sort(Files.begin(), Files.end());
  for (const fs::path& File : Files) {
    const std::string Text = ReadFile(File);
    for (std::size_t Pos = 0; Pos < Text.size();) {
      std::size_t End = Text.find("\r\n", Pos);
      if (End == std::string::npos) End = Text.size();
      const std::string Line = Text.substr(Pos, End - Pos);
      Lines.push_back(Line.size() > 25 ? Line.substr(25) : Line); // "yyyy/mm/dd hh:nn:ss:zzz  "
      Pos = End + 2;
    }
  }
  return Lines;
}

bool TE2ETest::WaitForLogLine(const std::string& AStart, TMs ATimeout) const {
  return WaitUntil(
      [&] {
        const auto Lines = LogLines();
        return std::any_of(Lines.begin(), Lines.end(), [&](const std::string& L) { return L.starts_with(AStart); });
      },
      ATimeout);
}

void TE2ETest::StartProgramWithoutTray() {
  FProgram = TChild::Start(ProgramCommand(), Root() / "vellomarch.log", -1, AppFolder());
  // The data folder is made after the application object, whose platform set-up subscribes to
  // the clipboard's changes.
  ASSERT_TRUE(WaitUntil([&] { return !FProgram.Running() || fs::is_directory(DataFolder()); }, 30000ms, 50ms))
      << "the program made no data folder";
  ASSERT_TRUE(FProgram.Running()) << "the program ended at start with " << FProgram.WaitExit(0ms).value_or(-1);
}

void TE2ETest::StartProgram() {
  FProgram = TChild::Start(ProgramCommand(), Root() / "vellomarch.log", -1, AppFolder());
  const pid_t Pid = FProgram.Pid();
  ASSERT_TRUE(WaitUntil([&] { return !FProgram.Running() || !TrayIconsOf(Pid).empty(); }, 30000ms, 100ms))
      << "the tray icon was not embedded";
  ASSERT_TRUE(FProgram.Running()) << "the program ended at start with " << FProgram.WaitExit(0ms).value_or(-1);
}

TChild TE2ETest::StartSecondInstance() {
  return TChild::Start({ProgramPath().string()}, Root() / "second.log", -1, AppFolder());
}

unsigned long TE2ETest::StartTarget() {
  const fs::path Report = Root() / "target.txt";
  FTarget = TChild::Start({VELLOMARCH_E2E_TARGET_APP, Report.string()}, Root() / "target.log");
  std::vector<unsigned long> Windows;
  EXPECT_TRUE(WaitUntil([&] { return !(Windows = VisibleWindows(TargetTitle)).empty(); }, 15000ms))
      << "the target window did not appear";
  if (Windows.empty()) return 0;
  ActivateWindow(Windows.front());
  EXPECT_TRUE(WaitUntil([&] { return ActiveWindow() == Windows.front(); }, 5000ms));
  return Windows.front();
}

std::string TE2ETest::TargetText() const { return ReadFile(Root() / "target.txt"); }

bool TE2ETest::WaitForTargetText(const std::string& AText, TMs ATimeout) {
  return WaitUntil([&] { return TargetText() == AText; }, ATimeout);
}

void TE2ETest::CopyWithTarget(const std::string& ATarget, const std::string& ABytes) {
  const fs::path Source = Root() / ("copy" + std::to_string(++FCopyCount));
  WriteFile(Source, ABytes);
  // -quiet keeps xclip in the foreground, so that the tests own it by its pid; it ends by itself
  // when another program takes the clipboard.
  FClipOwners.push_back(TChild::Start(
      {"xclip", "-quiet", "-selection", "clipboard", "-t", ATarget, "-i", Source.string()}, Root() / "xclip.log"));
  EXPECT_TRUE(WaitUntil([&] { return ClipboardTargets().find(ATarget) != std::string::npos; }, 5000ms))
      << "xclip did not take the clipboard";
}

void TE2ETest::CopyText(const std::string& AText) { CopyWithTarget("UTF8_STRING", AText); }

void TE2ETest::CopyFormats(const std::vector<std::pair<std::string, std::string>>& AFormats) {
  std::vector<std::string> Argv{VELLOMARCH_E2E_CLIP_OWNER};
  for (const auto& [Format, Value] : AFormats) {
    Argv.push_back(Format);
    Argv.push_back(Value);
  }
  FClipOwners.push_back(TChild::Start(Argv, Root() / "clip_owner.log"));
  const std::string Last = AFormats.back().first;
  EXPECT_TRUE(WaitUntil([&] { return ClipboardTargets().find(Last) != std::string::npos; }, 10000ms))
      << "e2e_clip_owner did not take the clipboard";
}

std::string TE2ETest::ClipboardText() {
  return RunCommand({"xclip", "-selection", "clipboard", "-o", "-t", "UTF8_STRING"}, 5000ms).Out;
}

std::string TE2ETest::ClipboardTargets() {
  return RunCommand({"xclip", "-selection", "clipboard", "-o", "-t", "TARGETS"}, 5000ms).Out;
}

std::optional<std::vector<TEntry>> TE2ETest::History() {
  const TRunResult R = RunCommand({VELLOMARCH_E2E_HISTORY_INSPECT, DataFolder().string()}, 10000ms);
  if (R.ExitCode != 0) return std::nullopt;
  const nlohmann::json Document = nlohmann::json::parse(R.Out, nullptr, false);
  if (!Document.is_array()) return std::nullopt;
  std::vector<TEntry> Result;
  for (const auto& E : Document)
    Result.push_back(TEntry{E.value("t", -1), E.value("x", std::string()), E.value("i", std::string()),
                            E.value("p", false)});
  return Result;
}

std::vector<TEntry> TE2ETest::WaitForHistory(const std::function<bool(const std::vector<TEntry>&)>& ACondition,
                                             TMs ATimeout) {
  std::optional<std::vector<TEntry>> Last;
  const bool Ok = WaitUntil([&] { return (Last = History()) && ACondition(*Last); }, ATimeout, 50ms);
  if (!Ok) {
    std::ostringstream S;
    if (!Last) S << "no readable history file";
    else
      for (const TEntry& E : *Last) PrintTo(E, &S), S << "\n";
    ADD_FAILURE() << "the history never reached the expected state; last seen:\n" << S.str();
    return Last.value_or(std::vector<TEntry>{});
  }
  return *Last;
}

std::vector<TEntry> TE2ETest::CopyTextAndWait(const std::string& AText) {
  CopyText(AText);
  return WaitForHistory([&](const std::vector<TEntry>& H) { return !H.empty() && H.front() == TextEntry(AText); });
}

unsigned long TE2ETest::ShowPopupByHotkey(const std::string& AKeys) {
  Key(AKeys);
  std::vector<unsigned long> Windows;
  // The first showing creates the popup's window; a sanitizer build on a loaded machine has been
  // seen to need more than five seconds for it. A popup that shows at once is not waited for.
  EXPECT_TRUE(WaitUntil([&] { return !(Windows = VisibleWindows(PopupTitle)).empty(); }, 15000ms))
      << "the popup did not appear after " << AKeys;
  return Windows.empty() ? 0 : Windows.front();
}

bool TE2ETest::WaitPopupHidden(TMs ATimeout) {
  return WaitUntil([] { return VisibleWindows(PopupTitle).empty(); }, ATimeout);
}

double TE2ETest::TrayIconDifference(const fs::path& AIconFile) {
  const std::vector<unsigned long> Icons = TrayIconsOf(FProgram.Pid());
  if (Icons.size() != 1) return 255;
  const std::optional<TRect> Area = WindowGeometry(Icons.front());
  if (!Area || Area->W <= 2 || Area->H <= 2) return 255;
  const std::vector<unsigned> Shown = ScreenPixels(*Area);
  if (Shown.empty()) return 255;
  // The icon's transparent corners show the tray's background.
  return MeanDifference(Shown, PicturePixels(AIconFile, Area->W, Area->H, Shown.front()));
}

std::vector<unsigned long> TE2ETest::VisibleProgramWindows() {
  std::vector<unsigned long> Result;
  const std::string Out = RunCommand({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(FProgram.Pid())}).Out;
  const std::vector<unsigned long> Tray = TrayIconsOf(FProgram.Pid());
  std::istringstream In(Out);
  std::string Line;
  while (std::getline(In, Line)) {
    if (Line.empty()) continue;
    const unsigned long W = std::stoul(Line);
    if (std::find(Tray.begin(), Tray.end(), W) == Tray.end()) Result.push_back(W);
  }
  return Result;
}

} // namespace vm::e2e
