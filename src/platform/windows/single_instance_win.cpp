#include "platform/windows/single_instance_win.h"

namespace vm {

TSingleInstance::TSingleInstance(const std::u16string& AName) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  FMutex = CreateMutexW(nullptr, FALSE, reinterpret_cast<const wchar_t*>(AName.c_str()));
  FAnotherRuns = FMutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}

void TSingleInstance::Close() {
  if (FMutex) CloseHandle(FMutex);
  FMutex = nullptr;
}

} // namespace vm
