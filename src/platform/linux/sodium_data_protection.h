#pragma once
// Per-user protection of the history file on Linux: libsodium's secretbox (XSalsa20-Poly1305)
// under a random 256-bit key kept in a file that only the user can read.
//
// Blob layout: one format-version byte (1), the 24-byte nonce, then the secretbox ciphertext
// (16-byte authenticator followed by the encrypted bytes).
#include <array>
#include <cstdint>
#include <filesystem>

#include "platform/data_protection.h"

namespace vm {

class TSodiumDataProtection final : public IDataProtection {
public:
  static constexpr std::uint8_t FormatVersion = 1;
  static constexpr std::size_t KeySize = 32;
  static constexpr std::size_t NonceSize = 24;
  static constexpr std::size_t MacSize = 16;
  static constexpr const char* KeyFileName = "VellomarchHistory.key";

  // AKeyFolder holds the key file; it is created (mode 0700) with the key on first use.
  explicit TSodiumDataProtection(std::filesystem::path AKeyFolder);

  // $XDG_CONFIG_HOME/vellomarch, by default ~/.config/vellomarch.
  static std::filesystem::path DefaultKeyFolder();

  std::filesystem::path KeyFilePath() const { return FKeyFolder / KeyFileName; }

  TBytes Protect(const TBytes& APlain) override;
  // The version, the nonce and the authenticator go into the free bytes in front; the plain bytes
  // behind them are encrypted where they lie.
  std::size_t InPlaceHeaderSize() const override { return 1 + NonceSize + MacSize; }
  TBytes ProtectInPlace(TBytes ABuffer) override;
  TBytes Unprotect(const TBytes& AProtected) override;

private:
  using TKey = std::array<std::uint8_t, KeySize>;

  // Reads the key file, or when it is missing and ACreate is set, creates it. Read again on
  // every call rather than kept: were the file deleted while the program runs, a kept key would
  // go on protecting saves that no later start could open.
  TKey LoadKey(bool ACreate) const;
  bool ReadKeyFile(TKey& AKey) const;
  void CreateKeyFile(TKey& AKey) const;

  std::filesystem::path FKeyFolder;
};

} // namespace vm
