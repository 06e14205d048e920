#pragma once
// The daily log: the only channel through which the program reports the failures it survives.
#include <string>

namespace vm {

class IClock;

// The clock (and its waits) that WriteLog uses; the system clock unless a test sets its own.
void SetLogClock(IClock* AClock);
// The clock a test set, or null for the system clock.
IClock* CurrentLogClock();

// Appends "yyyy/mm/dd hh:nn:ss:zzz" + two spaces + the message + CR LF to LogDir() +
// "yyyymmdd_Vellomarch.log". Three attempts 200 ms apart; never throws.
void WriteLog(const std::u16string& AMessage) noexcept;

} // namespace vm
