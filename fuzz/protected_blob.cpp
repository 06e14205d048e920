// The history file as it lies on disk on Linux: UnprotectBytes over the secretbox protection
// with a fixed key of this process. Arbitrary bytes must be refused with an error, never read
// out of bounds; and a blob that the protection wrote must open to the same bytes.
#include <cstdint>
#include <fstream>

#include "fuzz_support.h"
#include "history/history_file.h"
#include "platform/linux/sodium_data_protection.h"
#include "support/error.h"

namespace {

vm::TSodiumDataProtection& Protection() {
  static vm::TSodiumDataProtection* const Instance = [] {
    const std::filesystem::path Folder = vm::fuzz::ScratchFolder() / "key";
    std::filesystem::create_directories(Folder);
    std::filesystem::permissions(Folder, std::filesystem::perms::owner_all);
    // The seeds of fuzz/corpus/protected_blob were protected with this key.
    std::ofstream Key(Folder / vm::TSodiumDataProtection::KeyFileName, std::ios::binary);
    for (std::uint8_t I = 0; I < vm::TSodiumDataProtection::KeySize; ++I) Key.put(static_cast<char>(I * 7 + 1));
    Key.close();
    std::filesystem::permissions(Folder / vm::TSodiumDataProtection::KeyFileName,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    return new vm::TSodiumDataProtection(Folder);
  }();
  return *Instance;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  const vm::TBytes Input = vm::fuzz::AsBytes(AData, ASize);
  try {
    const vm::TBytes Plain = vm::UnprotectBytes(Protection(), Input);
    // Only a blob of the key's own making opens; it is as long as its text plus the header.
    FUZZ_CHECK(Plain.size() + 1 + vm::TSodiumDataProtection::NonceSize + vm::TSodiumDataProtection::MacSize ==
                   Input.size() || Input.empty());
  } catch (const vm::TError&) {
  }
  const vm::TBytes Sealed = vm::ProtectBytes(Protection(), Input);
  FUZZ_CHECK(vm::UnprotectBytes(Protection(), Sealed) == Input);
  return 0;
}
