#pragma once
// Helpers shared by the fuzz targets: the input as text, a private scratch folder, and a check
// that stops the run with a message when a property of the code under test does not hold.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>

#include "support/text.h"

namespace vm::fuzz {

// A broken property is a finding like a crash: libFuzzer keeps the input that caused it.
#define FUZZ_CHECK(ACondition)                                                                        \
  do {                                                                                                \
    if (!(ACondition)) {                                                                              \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #ACondition);         \
      std::abort();                                                                                   \
    }                                                                                                 \
  } while (0)

inline std::string_view AsChars(const std::uint8_t* AData, std::size_t ASize) {
  return {reinterpret_cast<const char*>(AData), ASize};
}

inline TBytes AsBytes(const std::uint8_t* AData, std::size_t ASize) { return TBytes(AData, AData + ASize); }

// The bytes taken as UTF-16 code units, little endian, so that every code unit (lone surrogates
// and zero characters included) can reach the code; an odd last byte is dropped.
inline std::u16string AsUtf16(const std::uint8_t* AData, std::size_t ASize) {
  std::u16string Text;
  Text.reserve(ASize / 2);
  for (std::size_t I = 0; I + 1 < ASize; I += 2) Text.push_back(static_cast<char16_t>(AData[I] | AData[I + 1] << 8));
  return Text;
}

// A folder of this process, removed when the process ends: in memory (/dev/shm) where there is
// such a folder, as the targets that go through files write some thousand files a second.
// Never freed: the exit handler that removes it runs after the static objects are gone.
inline const std::filesystem::path& ScratchFolder() {
  static const std::filesystem::path* const Folder = [] {
    std::error_code Ec;
    const std::filesystem::path Parent =
        std::filesystem::is_directory("/dev/shm", Ec) ? std::filesystem::path("/dev/shm") : std::filesystem::temp_directory_path();
    std::string Template = (Parent / "vellomarch-fuzz.XXXXXX").string();
    if (!::mkdtemp(Template.data())) {
      std::perror("mkdtemp");
      std::abort();
    }
    auto* Path = new std::filesystem::path(Template);
    std::atexit([] {
      std::error_code Ec;
      std::filesystem::remove_all(ScratchFolder(), Ec);
    });
    return Path;
  }();
  return *Folder;
}

} // namespace vm::fuzz
