#pragma once
// A whole TVellomarchFrm over the fakes, in a private data folder, with the log on the fake clock.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "app/vellomarch_frm.h"
#include "fake_platform.h"
#include "history/clip_history.h"
#include "test_support.h"

namespace vm::test {

// One world: a data folder, the fakes and the main window. A table of cases that needs a fresh
// world per case declares its own TScenarioWorld; other tests use the TScenario fixture.
class TScenarioWorld {
public:
  TScenarioWorld();
  virtual ~TScenarioWorld();
  TScenarioWorld(const TScenarioWorld&) = delete;
  TScenarioWorld& operator=(const TScenarioWorld&) = delete;

  // Creates the main window and runs its creation handler, as the process entry does.
  void Start();
  // Closes the main window and runs its destruction handler, as the end of the loop does.
  void Quit();
  // Runs the queued capture runs and other deferred calls.
  void RunPending() { F.DeferredCalls.RunPending(); }
  // Another program copies; the capture it causes runs.
  void CopyText(const std::u16string& AText);
  void CopyFiles(const std::vector<std::u16string>& APaths);
  void CopyPng(const TImage& AImage);

  // The history as (kind, text or image name, pinned) for compact comparisons.
  std::vector<std::u16string> HistoryTexts() const;
  // The lines of today's log (the fake clock's day), without time stamps.
  std::vector<std::u16string> LogLines() const;

  TTempDataFolder Folder;
  TFakePlatform F;
  TPlatform Platform;
  std::unique_ptr<TVellomarchFrm> Frm;

private:
  IClock* FPreviousLogClock;
};

class TScenario : public ::testing::Test, public TScenarioWorld {};

} // namespace vm::test
