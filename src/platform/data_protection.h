#pragma once
// Per-user protection of the history file's bytes. Each platform implements it with its own
// service; a failure throws TError carrying the platform's own text for the error (no prefix:
// ProtectBytes / UnprotectBytes add the name of the failed step).
#include "support/error.h"
#include "support/text.h"

namespace vm {

// Raised by Unprotect when the data is whole but the key that opens it cannot be had in this
// session (on Linux: a key kept in the desktop's keyring while that keyring is absent, locked or
// refused). Unlike a damaged blob, such a file is neither read nor replaced: a later session that
// has the key opens it as it was. The message says why and what the user can do.
class TKeyUnavailable : public TError {
public:
  using TError::TError;
};

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
