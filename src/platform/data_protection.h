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
  // The same for bytes the caller gives up, laid out as InPlaceHeaderSize() free bytes followed by
  // the plain bytes: a protection that can encrypt them where they lie writes its header into the
  // free bytes and returns the same block, sparing a history of tens of megabytes a copy and a
  // move on every save.
  virtual std::size_t InPlaceHeaderSize() const { return 0; }
  virtual TBytes ProtectInPlace(TBytes ABuffer) { return Protect(ABuffer); }
  virtual TBytes Unprotect(const TBytes& AProtected) = 0;
};

} // namespace vm
