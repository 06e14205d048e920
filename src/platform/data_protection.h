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

class IDataProtection {
public:
  virtual ~IDataProtection() = default;
  virtual TBytes Protect(const TBytes& APlain) = 0;
  // The same for bytes the caller gives up, laid out as InPlaceHeaderSize() free bytes followed by
  // the plain bytes: a protection that can encrypt them where they lie writes its header into the
  // free bytes and returns the same block, sparing a history of tens of megabytes a copy and a
  // move on every save.
  virtual std::size_t InPlaceHeaderSize() const { return 0; }
  virtual TBytes ProtectInPlace(TBytes ABuffer) { return Protect(ABuffer); }
  virtual TBytes Unprotect(const TBytes& AProtected) = 0;
};

} // namespace vm
