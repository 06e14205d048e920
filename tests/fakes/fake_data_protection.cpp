#include "fake_data_protection.h"

#include <algorithm>
#include <cstdint>

#include "support/error.h"

namespace vm::test {
namespace {

constexpr std::uint8_t Magic[] = {'F', 'D', 'P', '1'};

std::uint32_t Checksum(const TBytes& APlain) {
  std::uint32_t Hash = 2166136261u; // FNV-1a
  for (const std::uint8_t B : APlain) Hash = (Hash ^ B) * 16777619u;
  return Hash;
}

std::uint8_t KeyByte(std::size_t AIndex) { return static_cast<std::uint8_t>(0x5A + AIndex * 7); }

} // namespace

TBytes TFakeDataProtection::Protect(const TBytes& APlain) {
  ++ProtectCalls;
  if (FailProtect) throw TError(FailMessage);
  TBytes Out(std::begin(Magic), std::end(Magic));
  for (std::size_t I = 0; I < APlain.size(); ++I) Out.push_back(static_cast<std::uint8_t>(APlain[I] ^ KeyByte(I)));
  const std::uint32_t Sum = Checksum(APlain);
  for (int Shift = 0; Shift < 32; Shift += 8) Out.push_back(static_cast<std::uint8_t>(Sum >> Shift));
  return Out;
}

TBytes TFakeDataProtection::Unprotect(const TBytes& AProtected) {
  ++UnprotectCalls;
  if (KeyUnavailable) throw TKeyUnavailable(FailMessage);
  if (FailUnprotect) throw TError(FailMessage);
  return Reveal(AProtected);
}

TBytes TFakeDataProtection::Reveal(const TBytes& AProtected) {
  constexpr std::size_t Overhead = sizeof(Magic) + 4;
  if (AProtected.size() < Overhead || !std::equal(std::begin(Magic), std::end(Magic), AProtected.begin()))
    throw TError(u"The data is invalid");
  TBytes Plain;
  const std::size_t Length = AProtected.size() - Overhead;
  for (std::size_t I = 0; I < Length; ++I)
    Plain.push_back(static_cast<std::uint8_t>(AProtected[sizeof(Magic) + I] ^ KeyByte(I)));
  std::uint32_t Stored = 0;
  for (int K = 0; K < 4; ++K) Stored |= static_cast<std::uint32_t>(AProtected[sizeof(Magic) + Length + K]) << (8 * K);
  if (Stored != Checksum(Plain)) throw TError(u"The data is invalid");
  return Plain;
}

} // namespace vm::test
