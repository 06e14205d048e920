#pragma once
// Per-user protection of the history file's bytes. Each platform implements it with its own
// service; a failure throws TError carrying the platform's own text for the error (no prefix:
// ProtectBytes / UnprotectBytes add the name of the failed step).
#include "support/text.h"

namespace vm {

class IDataProtection {
public:
  virtual ~IDataProtection() = default;
  virtual TBytes Protect(const TBytes& APlain) = 0;
  virtual TBytes Unprotect(const TBytes& AProtected) = 0;
};

} // namespace vm
