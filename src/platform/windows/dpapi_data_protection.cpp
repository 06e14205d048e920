#include "platform/windows/dpapi_data_protection.h"

#include <windows.h>
#include <wincrypt.h>

#include <memory>

#include "platform/windows/system_error_text.h"
#include "support/error.h"

namespace vm {

namespace {

struct TLocalFreer {
  void operator()(BYTE* AData) const noexcept { LocalFree(AData); }
};

DATA_BLOB InputBlob(const TBytes& AData) {
  // Some implementations of the service refuse a null pointer even for no bytes at all.
  static BYTE NoBytes = 0;
  DATA_BLOB Blob{};
  Blob.cbData = static_cast<DWORD>(AData.size());
  // The service only reads its input; the structure just has no const member.
  Blob.pbData = AData.empty() ? &NoBytes : const_cast<BYTE*>(AData.data());
  return Blob;
}

void CheckSize(const TBytes& AData) {
  if (AData.size() > MAXDWORD) throw TError(SystemErrorText(ERROR_NOT_ENOUGH_MEMORY));
}

// Copies the service's buffer; the buffer is released also when the copy throws.
TBytes TakeOutput(DATA_BLOB& AOutput) {
  const std::unique_ptr<BYTE, TLocalFreer> Owner(AOutput.pbData);
  AOutput.pbData = nullptr;
  if (AOutput.cbData == 0) return {};
  return TBytes(Owner.get(), Owner.get() + AOutput.cbData);
}

} // namespace

TBytes TDpapiDataProtection::Protect(const TBytes& APlain) {
  CheckSize(APlain);
  DATA_BLOB Input = InputBlob(APlain);
  DATA_BLOB Output{};
  if (!CryptProtectData(&Input, L"Vellomarch", nullptr, nullptr, nullptr, 0, &Output))
    throw TError(SystemErrorText(GetLastError()));
  return TakeOutput(Output);
}

TBytes TDpapiDataProtection::Unprotect(const TBytes& AProtected) {
  CheckSize(AProtected);
  DATA_BLOB Input = InputBlob(AProtected);
  DATA_BLOB Output{};
  if (!CryptUnprotectData(&Input, nullptr, nullptr, nullptr, nullptr, 0, &Output))
    throw TError(SystemErrorText(GetLastError()));
  return TakeOutput(Output);
}

} // namespace vm
