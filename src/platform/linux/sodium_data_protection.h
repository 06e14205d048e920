#pragma once
// Per-user protection of the history file on Linux: libsodium's secretbox (XSalsa20-Poly1305)
// under a random 256-bit key, kept in the desktop's keyring (Secret Service) where there is one,
// otherwise in a file that only the user can read.
//
// Blob layout: one format-version byte, then for version 2 the 16-byte id of the keyring's key,
// then the 24-byte nonce and the secretbox ciphertext (16-byte authenticator followed by the
// encrypted bytes).
//   version 1: protected with the key of the key file (or that same key after it was moved into
//              the keyring: a file saved before the move opens with either).
//   version 2: protected with the key kept in the keyring. Without that keyring no key file can
//              stand in for it, so such a blob tells for itself that its key is out of reach
//              (TKeyUnavailable) rather than damaged; the id tells a keyring that holds another
//              key (a portable copy on another computer) from a damaged blob.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/data_protection.h"

namespace vm {

class TSodiumDataProtection final : public IDataProtection {
public:
  static constexpr std::uint8_t FormatVersion = 1; // the key file's key
  static constexpr std::uint8_t KeyringFormatVersion = 2;
  static constexpr std::size_t KeySize = 32;
  static constexpr std::size_t KeyIdSize = 16;
  static constexpr std::size_t NonceSize = 24;
  static constexpr std::size_t MacSize = 16;
  static constexpr const char* KeyFileName = "VellomarchHistory.key";

  // AKeyFolder holds the key file; it is created (mode 0700) with the key on first use.
  explicit TSodiumDataProtection(std::filesystem::path AKeyFolder);

  // $XDG_CONFIG_HOME/vellomarch, by default ~/.config/vellomarch.
  static std::filesystem::path DefaultKeyFolder();

  std::filesystem::path KeyFilePath() const { return FKeyFolder / KeyFileName; }

  using TKey = std::array<std::uint8_t, KeySize>;

  // Where the key is this session, as the start-up found it. Until one of these is called the
  // keyring was not asked, and only the key file serves (tools, tests).
  // The keyring holds AKey: saves are protected with it (version 2).
  void UseKeyringKey(const TKey& AKey);
  // The keyring cannot be reached (no session bus, no provider, not unlocked): AReason says why.
  // The key file serves; a history kept under the keyring's key is out of reach.
  void KeyringUnreachable(std::u16string AReason);
  // The keyring answered but holds no history key (and none could be stored in it).
  void KeyringWithoutKey();
  bool UsesKeyring() const { return FKeyringKey.has_value(); }

  // The key file's key, or nullopt when there is no key file. Raises like a load of the key.
  std::optional<TKey> ReadKeyFileKey() const;
  // Removes the key file once its key is safely elsewhere. Raises with the reason.
  void RemoveKeyFile() const;

  TBytes Protect(const TBytes& APlain) override;
  // The version (with the key's id for the keyring's key), the nonce and the authenticator go
  // into the free bytes in front; the plain bytes behind them are encrypted where they lie.
  std::size_t InPlaceHeaderSize() const override;
  TBytes ProtectInPlace(TBytes ABuffer) override;
  TBytes Unprotect(const TBytes& AProtected) override;

  ~TSodiumDataProtection() override;

private:
  enum class TKeyring { NotAsked, Unreachable, WithoutKey, HoldsKey };

  // Reads the key file, or when it is missing and ACreate is set, creates it. Read again on
  // every call rather than kept: were the file deleted while the program runs, a kept key would
  // go on protecting saves that no later start could open.
  TKey LoadKey(bool ACreate) const;
  bool ReadKeyFile(TKey& AKey) const;
  void CreateKeyFile(TKey& AKey) const;

  // The key for a new blob: the keyring's (version 2) or the key file's (version 1).
  std::uint8_t KeyForProtect(TKey& AKey) const;
  // The key that opens AProtected; raises TKeyUnavailable when this session cannot have it.
  TKey KeyForUnprotect(const TBytes& AProtected) const;

  std::filesystem::path FKeyFolder;
  TKeyring FKeyring = TKeyring::NotAsked;
  std::optional<TKey> FKeyringKey;
  std::u16string FKeyringReason;
};

} // namespace vm
