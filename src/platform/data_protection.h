#pragma once
// Per-user protection of the history file's bytes. Each platform implements it with its own
// service; a failure throws TError carrying the platform's own text for the error (no prefix:
// ProtectBytes / UnprotectBytes add the name of the failed step).
#include "support/text.h"

namespace vm {

inline constexpr std::size_t ProtectionHeaderRoom = 64;

class IDataProtection {
public:
  virtual ~IDataProtection() = default;
  virtual TBytes Protect(const TBytes& APlain) = 0;
  // The same for bytes the caller gives up: a protection that can encrypt them where they lie
  // does so, sparing a copy of a history of tens of megabytes on every save. Room for a header
  // of up to ProtectionHeaderRoom bytes in APlain's capacity lets it grow without moving.
  virtual TBytes ProtectOwned(TBytes APlain) { return Protect(APlain); }
  virtual TBytes Unprotect(const TBytes& AProtected) = 0;
};

} // namespace vm
