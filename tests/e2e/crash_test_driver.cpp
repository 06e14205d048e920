// Kills the real program with SIGKILL at random moments while copies stream in, restarts it on
// the same data folder each time, and checks after every kill that the history file loads and
// holds exactly what the last completed save put there. Run through scripts/crash-test.
//
// How a completed save is known: the program replaces its history file by renaming a finished
// temporary file over it, so every rename onto "VellomarchData.dat" (seen with inotify) is one
// completed save, and the file read after that event holds a completed save's content. The events
// are read in the order they happened; after the program is dead no rename can follow, so the
// content read after the last event is what the last completed save wrote, independently of the
// file found after the kill. Between saves, each state must follow from the one before as the
// copies allow (new texts on top, older entries kept in order, the maximum respected): that also
// checks that each restart loaded what it found.
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <random>
#include <sstream>

#include "e2e_support.h"

namespace vm::e2e {
namespace {

using TClock = std::chrono::steady_clock;

const std::string HistoryFileName = "VellomarchData.dat";
const std::string TextPrefix = "crash ";
constexpr std::size_t MaxItems = 30; // the program's default maximum of entries

struct TOptions {
  int Kills = 200;
  unsigned Seed = 1;
  std::string Program = VELLOMARCH_E2E_PROGRAM;
};

// The entries of one saved history: each text's copy number, top first.
using THistoryState = std::vector<long long>;

long long CopyNumber(const std::string& AText) {
  if (AText.rfind(TextPrefix, 0) != 0 || AText.size() < TextPrefix.size() + 6) return -1;
  const std::string Digits = AText.substr(TextPrefix.size(), 6);
  if (!std::all_of(Digits.begin(), Digits.end(), [](char C) { return C >= '0' && C <= '9'; })) return -1;
  const std::string Rest = AText.substr(TextPrefix.size() + 6);
  if (!std::all_of(Rest.begin(), Rest.end(), [](char C) { return C == 'x'; })) return -1;
  return std::stoll(Digits);
}

std::string Describe(const THistoryState& AState) {
  std::ostringstream S;
  S << "[";
  for (std::size_t I = 0; I < AState.size(); ++I) S << (I ? " " : "") << AState[I];
  return S.str() + "]";
}

// The document printed by history_inspect as copy numbers; an error text when it is not a history
// of streamed texts.
std::optional<THistoryState> ParseState(const std::string& ADocument, std::string& AError) {
  const nlohmann::json Document = nlohmann::json::parse(ADocument, nullptr, false);
  if (!Document.is_array()) {
    AError = "the document is not a JSON array";
    return std::nullopt;
  }
  THistoryState State;
  for (const auto& Entry : Document) {
    const long long Number = CopyNumber(Entry.value("x", std::string()));
    if (Entry.value("t", -1) != 0 || Entry.value("p", true) || Number < 0) {
      AError = "an entry that no copy made: " + Entry.dump().substr(0, 80);
      return std::nullopt;
    }
    State.push_back(Number);
  }
  return State;
}

std::optional<THistoryState> LoadHistory(const fs::path& AInspector, const fs::path& ADataFolder,
                                         std::string& AError) {
  const TRunResult R = RunCommand({AInspector.string(), ADataFolder.string()}, 60000ms);
  if (R.ExitCode != 0) {
    AError = "history_inspect ended with " + std::to_string(R.ExitCode);
    return std::nullopt;
  }
  return ParseState(R.Out, AError);
}

// Whether ANext can follow APrevious: texts copied later on top (newest first), then the earlier
// entries in their order, as many as the maximum leaves room for.
bool Follows(const THistoryState& APrevious, const THistoryState& ANext, std::string& AWhy) {
  for (std::size_t I = 1; I < ANext.size(); ++I)
    if (ANext[I] >= ANext[I - 1]) {
      AWhy = "entries out of copy order";
      return false;
    }
  const long long Newest = APrevious.empty() ? -1 : APrevious.front();
  std::size_t Added = 0;
  while (Added < ANext.size() && ANext[Added] > Newest) ++Added;
  const std::size_t Expected = std::min(MaxItems, Added + APrevious.size());
  if (ANext.size() != Expected || !std::equal(ANext.begin() + static_cast<long>(Added), ANext.end(), APrevious.begin())) {
    AWhy = "earlier entries lost or changed";
    return false;
  }
  return true;
}

class TCrashRun {
public:
  explicit TCrashRun(const TOptions& AOptions) : FOptions(AOptions), FRandom(AOptions.Seed) {}
  int Run();

private:
  void Fail(const std::string& AWhat) {
    ++FFailures;
    std::cout << "FAILURE (kill " << FKills << "): " << AWhat << std::endl;
  }
  // Reads the inotify events until ADeadline, checking each completed save as it comes.
  void Pump(TClock::time_point ADeadline);
  void OnSaveCompleted(int ARenames);
  bool WaitForSave(TMs ATimeout);
  void KillOnce();
  void CheckAfterKill();

  TOptions FOptions;
  std::mt19937 FRandom;
  TTempFolder FRoot{"vellomarch-crash"};
  fs::path FAppFolder, FDataFolder, FInspector;
  int FInotify = -1;
  TChild FProgram;
  THistoryState FLastSaved;
  long long FSaves = 0;
  int FKills = 0, FLoads = 0, FFailures = 0, FUnfinishedSaves = 0;
  long long FEntriesChecked = 0;
};

void TCrashRun::Pump(TClock::time_point ADeadline) {
  alignas(inotify_event) char Buffer[8192];
  // A deadline already passed drains the queue: after a kill no further rename can come.
  const bool Drain = ADeadline <= TClock::now();
  for (;;) {
    const auto Left = std::chrono::duration_cast<TMs>(ADeadline - TClock::now()).count();
    pollfd P{FInotify, POLLIN, 0};
    const int N = poll(&P, 1, static_cast<int>(std::max<long long>(0, Left)));
    if (N <= 0) return;
    const ssize_t Got = read(FInotify, Buffer, sizeof Buffer);
    if (Got <= 0) return;
    // One read of the file answers every rename of the batch: it is at least as new as the last.
    int Renames = 0;
    for (char* At = Buffer; At < Buffer + Got;) {
      const auto* Event = reinterpret_cast<const inotify_event*>(At);
      At += sizeof(inotify_event) + Event->len;
      if (Event->mask & IN_Q_OVERFLOW) Fail("inotify lost events; the saves cannot be followed");
      if ((Event->mask & IN_MOVED_TO) && Event->len > 0 && HistoryFileName == Event->name) ++Renames;
    }
    if (Renames > 0) OnSaveCompleted(Renames);
    // Reading the file takes a while: the deadline ends the pump even while saves keep coming.
    if (!Drain && TClock::now() >= ADeadline) return;
  }
}

void TCrashRun::OnSaveCompleted(int ARenames) {
  FSaves += ARenames;
  std::string Error;
  const std::optional<THistoryState> State = LoadHistory(FInspector, FDataFolder, Error);
  if (!State) {
    Fail("a completed save does not load: " + Error);
    return;
  }
  std::string Why;
  if (!Follows(FLastSaved, *State, Why))
    Fail("save " + std::to_string(FSaves) + ": " + Why + ": " + Describe(FLastSaved) + " -> " + Describe(*State));
  FLastSaved = *State;
}

bool TCrashRun::WaitForSave(TMs ATimeout) {
  const long long Before = FSaves;
  const auto Deadline = TClock::now() + ATimeout;
  while (FSaves == Before && TClock::now() < Deadline && FProgram.Running())
    Pump(std::min(Deadline, TClock::now() + 200ms));
  return FSaves > Before;
}

void TCrashRun::KillOnce() {
  FProgram = TChild::Start({(FAppFolder / "vellomarch").string()}, FRoot.Path() / "vellomarch.log", -1, FAppFolder);
  // Most kills fall while copies are being recorded; some while the program is still starting.
  const bool DuringStart = std::uniform_int_distribution<int>(0, 9)(FRandom) == 0;
  if (DuringStart) {
    Pump(TClock::now() + TMs(std::uniform_int_distribution<int>(0, 400)(FRandom)));
  } else {
    if (!WaitForSave(60000ms)) {
      Fail(FProgram.Running() ? "no save within 60 s of the start" : "the program ended at start");
      FProgram.Stop();
      return;
    }
    Pump(TClock::now() + TMs(std::uniform_int_distribution<int>(0, 1500)(FRandom)));
  }
  if (!FProgram.Running()) {
    Fail("the program ended by itself with " + std::to_string(FProgram.WaitExit(0ms).value_or(-1)));
    return;
  }
  kill(FProgram.Pid(), SIGKILL);
  FProgram.WaitExit(30000ms);
  ++FKills;
  // Every rename the program made is queued by now.
  Pump(TClock::now());
  CheckAfterKill();
}

void TCrashRun::CheckAfterKill() {
  if (fs::exists(FDataFolder / (HistoryFileName + ".tmp"))) ++FUnfinishedSaves;
  if (!fs::exists(FDataFolder / HistoryFileName)) {
    if (FSaves == 0) return; // killed before its first save: nothing was completed
    Fail("the history file is gone");
    return;
  }
  std::string Error;
  const std::optional<THistoryState> Found = LoadHistory(FInspector, FDataFolder, Error);
  if (!Found) {
    Fail("the history file does not load after the kill: " + Error);
    return;
  }
  ++FLoads;
  FEntriesChecked += static_cast<long long>(FLastSaved.size());
  if (*Found != FLastSaved)
    Fail("the file after the kill " + Describe(*Found) + " is not the last completed save " + Describe(FLastSaved));
}

// A desktop that fails to come up is tried again: on a loaded machine shared with other X servers
// its parts have been seen to miss their start-up bound.
std::unique_ptr<TVirtualDesktop> StartDesktop() {
  for (int Attempt = 1;; ++Attempt) {
    try {
      return std::make_unique<TVirtualDesktop>();
    } catch (const std::exception& E) {
      if (Attempt == 3) throw;
      std::cerr << "the virtual desktop did not come up, trying again: " << E.what() << "\n";
    }
  }
}

int TCrashRun::Run() {
  const std::unique_ptr<TVirtualDesktop> Desktop = StartDesktop();
  UsePrivateUserFolders(FRoot.Path() / "user");
  FAppFolder = FRoot.Path() / "app";
  FDataFolder = FAppFolder / "Vellomarch";
  // A portable copy keeps its data folder beside it; made here so that it can be watched from
  // the first save on.
  fs::create_directories(FDataFolder);
  fs::copy_file(FOptions.Program, FAppFolder / "vellomarch");
  fs::permissions(FAppFolder / "vellomarch", fs::perms::owner_all, fs::perm_options::add);
  // The helpers run from copies too: a build during the run may replace the originals.
  fs::create_directories(FRoot.Path() / "tools");
  FInspector = FRoot.Path() / "tools" / "history_inspect";
  fs::copy_file(VELLOMARCH_E2E_HISTORY_INSPECT, FInspector);
  const fs::path StreamProgram = FRoot.Path() / "tools" / "e2e_clip_stream";
  fs::copy_file(VELLOMARCH_E2E_CLIP_STREAM, StreamProgram);

  FInotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (FInotify < 0 || inotify_add_watch(FInotify, FDataFolder.c_str(), IN_MOVED_TO) < 0) {
    std::cerr << "inotify: " << std::strerror(errno) << "\n";
    return 2;
  }
  // Texts every 15 to 90 ms; every seventh one 200 KB long, so that saves take long enough for
  // some kills to fall inside one.
  TChild Stream = TChild::Start({StreamProgram.string(), TextPrefix, "0", "15", "90", "7", "200000",
                                 std::to_string(FOptions.Seed)},
                                FRoot.Path() / "stream.log");

  const auto Started = TClock::now();
  while (FKills < FOptions.Kills && Stream.Running()) {
    KillOnce();
    if (FKills % 20 == 0 && FKills > 0)
      std::cout << "  " << FKills << " kills, " << FFailures << " failures" << std::endl;
  }
  if (!Stream.Running()) Fail("the clipboard stream ended");

  // What the restarted program logged about its history file (no log folder: nothing logged).
  std::error_code NoLog;
  for (const auto& Log : fs::directory_iterator(FDataFolder / "Log", NoLog)) {
    std::istringstream In(ReadFile(Log.path()));
    for (std::string Line; std::getline(In, Line);)
      if (Line.find("History load failed") != std::string::npos || Line.find("History save failed") != std::string::npos)
        Fail("the program logged: " + Line);
  }

  const auto Seconds = std::chrono::duration_cast<std::chrono::seconds>(TClock::now() - Started).count();
  std::cout << "kills: " << FKills << "\n"
            << "loads that succeeded: " << FLoads << "\n"
            << "entries checked: " << FEntriesChecked << "\n"
            << "completed saves followed: " << FSaves << "\n"
            << "kills that left an unfinished save (.tmp): " << FUnfinishedSaves << "\n"
            << "failures: " << FFailures << "\n"
            << "time: " << Seconds << " s, seed " << FOptions.Seed << std::endl;
  return FFailures == 0 && FKills == FOptions.Kills ? 0 : 1;
}

} // namespace
} // namespace vm::e2e

int main(int argc, char** argv) {
  vm::e2e::TOptions Options;
  for (int I = 1; I + 1 < argc; I += 2) {
    const std::string Name = argv[I];
    if (Name == "--kills") Options.Kills = std::atoi(argv[I + 1]);
    else if (Name == "--seed") Options.Seed = static_cast<unsigned>(std::atoll(argv[I + 1]));
    else if (Name == "--program") Options.Program = argv[I + 1];
    else {
      std::cerr << "usage: crash_test_driver [--kills N] [--seed S] [--program PATH]\n";
      return 2;
    }
  }
  try {
    return vm::e2e::TCrashRun(Options).Run();
  } catch (const std::exception& E) {
    std::cerr << "crash test stopped: " << E.what() << "\n";
    return 2;
  }
}
