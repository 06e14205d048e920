// How long the save that follows a copy takes while the history holds one text of the largest
// length the capture accepts among 29 ordinary entries, with this desktop's real protection and
// durable write. Prints the median and the slowest of several saves, and the share of each step.
//
//   measure_history_save [FOLDER] [SAVES]      (FOLDER: a scratch folder, default the system's temp)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "clipboard/captured_text.h"
#include "history/clip_history.h"
#include "history/file_access.h"
#include "history/history_file.h"
#include "support/text.h"

#ifdef _WIN32
#include "platform/windows/dpapi_data_protection.h"
#else
#include "platform/linux/sodium_data_protection.h"
#endif

namespace {

using namespace vm;
using TClock = std::chrono::steady_clock;

double MsSince(TClock::time_point AStart) {
  return std::chrono::duration<double, std::milli>(TClock::now() - AStart).count();
}

// The processor time the process spent, where the C library measures it (not msvcrt, whose
// clock() is wall time): on a machine shared with other work, wall time mostly counts waiting.
double CpuMs() {
#ifdef _WIN32
  return 0;
#else
  return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
#endif
}

struct TFigures {
  std::vector<double> Total, Cpu, Json, Protect, Write, JsonCpu, ProtectCpu, WriteCpu;
};

double Median(std::vector<double> AValues) {
  std::sort(AValues.begin(), AValues.end());
  return AValues[AValues.size() / 2];
}

double Slowest(const std::vector<double>& AValues) { return *std::max_element(AValues.begin(), AValues.end()); }

void FillHistory(TClipHistory& AHistory, char16_t AFill) {
  AHistory.Items().Clear();
  for (int I = 0; I < 29; ++I) AHistory.AddText(u"ordinary entry " + IntToStr(I) + u" — 普通の項目 https://example.org/a/b");
  AHistory.AddText(std::u16string(MaxCapturedTextLength, AFill));
}

void Measure(const char* AName, char16_t AFill, IDataProtection& AProtection, const std::filesystem::path& AFolder,
             int ASaves) {
  TClipHistory History(AProtection);
  History.SetMaxItems(30);
  FillHistory(History, AFill);
  const std::u16string File = (AFolder / "VellomarchData.dat").u16string();
  TFigures F;
  std::size_t DocumentSize = 0, BlobSize = 0;
  for (int I = 0; I < ASaves; ++I) {
    // A new copy moves an ordinary entry to the top, as the save after a copy sees it.
    History.AddText(u"ordinary entry " + IntToStr(I % 29) + u" — 普通の項目 https://example.org/a/b");
    const auto Start = TClock::now();
    const double CpuStart = CpuMs();
    History.SaveToFile(File);
    F.Cpu.push_back(CpuMs() - CpuStart);
    F.Total.push_back(MsSince(Start));

    // The same save once more, step by step.
    auto Step = TClock::now();
    double StepCpu = CpuMs();
    const std::string Document = HistoryToJson(History.Items());
    F.Json.push_back(MsSince(Step));
    F.JsonCpu.push_back(CpuMs() - StepCpu);
    const TBytes Plain(Document.begin(), Document.end());
    Step = TClock::now();
    StepCpu = CpuMs();
    const TBytes Protected = ProtectBytes(AProtection, Plain);
    F.Protect.push_back(MsSince(Step));
    F.ProtectCpu.push_back(CpuMs() - StepCpu);
    Step = TClock::now();
    StepCpu = CpuMs();
    WriteFileReplacing(File, std::string_view(reinterpret_cast<const char*>(Protected.data()), Protected.size()));
    F.Write.push_back(MsSince(Step));
    F.WriteCpu.push_back(CpuMs() - StepCpu);
    DocumentSize = Document.size();
    BlobSize = Protected.size();
  }
  TClipHistory Loaded(AProtection);
  const auto LoadStart = TClock::now();
  Loaded.LoadFromFile(File);
  const double LoadMs = MsSince(LoadStart);
  const bool Same = Loaded.Items().Count() == 30 && Loaded.Items()[1].Text == History.Items()[1].Text;
  std::printf("%s: document %zu bytes, file %zu bytes, %s\n"
              "  save       median %7.1f ms, slowest %7.1f ms, processor time %7.1f ms (medians)\n"
              "  JSON       %7.1f ms, processor %7.1f ms\n"
              "  protect    %7.1f ms, processor %7.1f ms\n"
              "  write      %7.1f ms, processor %7.1f ms\n"
              "  load       %7.1f ms\n",
              AName, DocumentSize, BlobSize, Same ? "reads back" : "DOES NOT READ BACK", Median(F.Total),
              Slowest(F.Total), Median(F.Cpu), Median(F.Json), Median(F.JsonCpu), Median(F.Protect),
              Median(F.ProtectCpu), Median(F.Write), Median(F.WriteCpu), LoadMs);
}

} // namespace

int main(int argc, char** argv) {
  const std::filesystem::path Folder =
      argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path() / "vellomarch-save-timing";
  const int Saves = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;
  std::filesystem::create_directories(Folder);
#ifdef _WIN32
  TDpapiDataProtection Protection;
#else
  TSodiumDataProtection Protection(Folder / "key");
#endif
  try {
    Measure("ASCII", u'a', Protection, Folder, Saves);
    Measure("Japanese", u'語', Protection, Folder, Saves);
  } catch (const std::exception& E) {
    std::fprintf(stderr, "failed: %s\n", E.what());
    return 1;
  }
  return 0;
}
