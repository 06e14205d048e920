#pragma once
// A main window over the in-memory platform in a private data folder, for measuring the core's
// handlers without a desktop. The imaging may be replaced by a real one.
#include <memory>
#include <string>

#include "app/vellomarch_frm.h"
#include "fakes/fake_platform.h"
#include "fakes/test_support.h"

namespace vm::bench {

class TBenchWorld {
public:
  explicit TBenchWorld(IImaging* AImaging = nullptr);
  ~TBenchWorld();
  TBenchWorld(const TBenchWorld&) = delete;
  TBenchWorld& operator=(const TBenchWorld&) = delete;

  // Runs the capture that another program's copy causes.
  void RunPending() { F.DeferredCalls.RunPending(); }

  test::TTempDataFolder Folder;
  test::TFakePlatform F;
  TPlatform Platform;
  std::unique_ptr<TVellomarchFrm> Frm;
};

// Deterministic texts of a given length in UTF-16 code units: words of lower- and upper-case
// ASCII letters, or Japanese (kana and common kanji). ASeed makes each entry different.
std::u16string AsciiText(std::size_t ALength, unsigned ASeed);
std::u16string JapaneseText(std::size_t ALength, unsigned ASeed);

} // namespace vm::bench
