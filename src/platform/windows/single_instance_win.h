#pragma once
// One running copy per signed-in user: the named mutex "Vellomarch_byDrun", held for the
// process's whole life and closed as its very last step.
#include <windows.h>

#include <string>

namespace vm {

class TSingleInstance {
public:
  // Creates (or opens) the mutex without taking ownership of it.
  explicit TSingleInstance(const std::u16string& AName);
  ~TSingleInstance() { Close(); }
  TSingleInstance(const TSingleInstance&) = delete;
  TSingleInstance& operator=(const TSingleInstance&) = delete;

  // Another process made the mutex first. A mutex that could not be made at all guards nothing
  // and reports no other instance.
  bool AnotherInstanceRuns() const { return FAnotherRuns; }
  bool Guarded() const { return FMutex != nullptr; }
  void Close();

private:
  HANDLE FMutex = nullptr;
  bool FAnotherRuns = false;
};

} // namespace vm
