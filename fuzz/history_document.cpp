// The history file's document after unprotection: the bytes go to ParseHistoryDocument exactly
// as LoadFromFile hands them over. A document that is refused is fine; one that is read must
// come back the same when written and read again, since every save does exactly that.
#include <cstdint>

#include "fuzz_support.h"
#include "history/clip_history.h"
#include "history/history_file.h"
#include "support/error.h"

namespace {

bool SameEntries(const vm::TClipItemList& A, const vm::TClipItemList& B) {
  if (A.Count() != B.Count()) return false;
  for (int I = 0; I < A.Count(); ++I)
    if (A[I].ItemType != B[I].ItemType || A[I].Text != B[I].Text || A[I].ImageFile != B[I].ImageFile ||
        A[I].Pinned != B[I].Pinned)
      return false;
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  vm::TClipItemList Items;
  try {
    vm::ParseHistoryDocument(vm::fuzz::AsChars(AData, ASize), Items);
  } catch (const vm::TError&) {
    return 0;
  }
  const std::string Written = vm::HistoryToJson(Items);
  vm::TClipItemList Again;
  vm::ParseHistoryDocument(Written, Again); // a written document that does not read back is a finding
  FUZZ_CHECK(SameEntries(Items, Again));
  FUZZ_CHECK(vm::HistoryToJson(Again) == Written);
  return 0;
}
