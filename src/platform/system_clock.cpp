#include "platform/clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace vm {
namespace {

class TSystemClock final : public IClock {
public:
  TDateTime Now() override {
    using namespace std::chrono;
    const auto Now = system_clock::now();
    const std::time_t Seconds = system_clock::to_time_t(Now);
    const auto Millis = duration_cast<milliseconds>(Now.time_since_epoch()).count() % 1000;
    std::tm Local{};
#ifdef _WIN32
    localtime_s(&Local, &Seconds);
#else
    localtime_r(&Seconds, &Local);
#endif
    TDateTime T;
    T.Year = Local.tm_year + 1900;
    T.Month = Local.tm_mon + 1;
    T.Day = Local.tm_mday;
    T.Hour = Local.tm_hour;
    T.Minute = Local.tm_min;
    T.Second = Local.tm_sec;
    T.Millisecond = static_cast<int>(Millis);
    T.DayOfWeek = Local.tm_wday;
    return T;
  }

  void Sleep(int AMilliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(AMilliseconds));
  }
};

} // namespace

IClock& SystemClock() {
  static TSystemClock Clock;
  return Clock;
}

} // namespace vm
