// CF_HDROP blocks (a DROPFILES header, then the paths): the Linux clipboard's reader
// ParseDropFiles and the fakes' reader over any block; and the block that BuildDropFiles makes
// reads back as the paths it was made from, through both readers.
#include <cstdint>

#include "clipboard/drop_files.h"
#include "fakes/fake_platform.h"
#include "fuzz_support.h"
#include "platform/linux/qt_clipboard.h"
#include "support/error.h"

namespace {

std::vector<std::u16string> FakeReader(const vm::TBytes& ABlock) {
  vm::test::TFakeClock Clock;
  vm::test::TFakeClipboard Clipboard(Clock);
  Clipboard.AddFormat(vm::CF_HDROP_FORMAT, ABlock);
  return Clipboard.DroppedPaths();
}

// The input as UTF-16 split at its zero characters; empty paths are no paths.
std::vector<std::u16string> PathsOf(const std::u16string& AText) {
  std::vector<std::u16string> Paths;
  std::u16string Path;
  for (const char16_t C : AText) {
    if (C != 0) {
      Path += C;
    } else if (!Path.empty()) {
      Paths.push_back(std::move(Path));
      Path.clear();
    }
  }
  if (!Path.empty()) Paths.push_back(std::move(Path));
  return Paths;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* AData, std::size_t ASize) {
  const vm::TBytes Block = vm::fuzz::AsBytes(AData, ASize);
  try {
    vm::ParseDropFiles(Block);
  } catch (const vm::TError&) {
  }
  FakeReader(Block);

  const std::vector<std::u16string> Paths = PathsOf(vm::fuzz::AsUtf16(AData, ASize));
  const vm::TBytes Built = vm::BuildDropFiles(Paths);
  FUZZ_CHECK(vm::ParseDropFiles(Built) == Paths);
  FUZZ_CHECK(FakeReader(Built) == Paths);
  return 0;
}
