#pragma once
// The local wall clock and waiting. Tests pass a fake that never waits.

namespace vm {

struct TDateTime {
  int Year = 1899, Month = 12, Day = 30;
  int Hour = 0, Minute = 0, Second = 0, Millisecond = 0;
  int DayOfWeek = 6; // 0 = Sunday .. 6 = Saturday
};

class IClock {
public:
  virtual ~IClock() = default;
  virtual TDateTime Now() = 0;
  virtual void Sleep(int AMilliseconds) = 0;
};

// The real local clock; portable, shared by both desktop programs.
IClock& SystemClock();

} // namespace vm
