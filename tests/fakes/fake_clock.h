#pragma once
#include <vector>

#include "platform/clock.h"

namespace vm::test {

// A clock that stands still unless told to move; Sleep advances it and records the wait.
class TFakeClock final : public IClock {
public:
  TDateTime Time{2024, 5, 1, 9, 5, 7, 42, 3};
  std::vector<int> Sleeps;
  long long ElapsedMs = 0; // advanced by Sleep; what "a given time" is measured in

  TDateTime Now() override { return Time; }
  void Sleep(int AMilliseconds) override;
};

} // namespace vm::test
