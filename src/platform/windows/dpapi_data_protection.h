#pragma once
// Per-user protection of the history file on Windows: the data-protection service (DPAPI,
// crypt32). The blobs are bound to the user account, so another account cannot open them.
#include "platform/data_protection.h"

namespace vm {

class TDpapiDataProtection final : public IDataProtection {
public:
  // Description "Vellomarch", no entropy, no prompt, flags 0.
  TBytes Protect(const TBytes& APlain) override;
  TBytes Unprotect(const TBytes& AProtected) override;
};

} // namespace vm
