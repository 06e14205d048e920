#pragma once
// Reversible, tamper-evident stand-in for the platform's data protection: the plain bytes are
// scrambled and followed by a checksum, so a changed byte anywhere makes Unprotect fail.
#include <string>

#include "platform/data_protection.h"

namespace vm::test {

class TFakeDataProtection final : public IDataProtection {
public:
  // While set, Protect (or Unprotect) throws TError(FailMessage), as the platform would.
  bool FailProtect = false;
  bool FailUnprotect = false;
  // While set, Unprotect throws TKeyUnavailable(FailMessage): the key is out of reach this session.
  bool KeyUnavailable = false;
  std::u16string FailMessage = u"The data is invalid";
  int ProtectCalls = 0;
  int UnprotectCalls = 0;

  TBytes Protect(const TBytes& APlain) override;
  TBytes Unprotect(const TBytes& AProtected) override;

  // Unprotects without counting or failing on purpose: lets a test read what was stored.
  static TBytes Reveal(const TBytes& AProtected);
};

} // namespace vm::test
