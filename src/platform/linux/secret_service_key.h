#pragma once
// The history key in the desktop's keyring, through the Secret Service (libsecret): one item
// labelled "Vellomarch history key" with the attributes application = vellomarch and
// kind = history-key, in the default collection. Its secret is the 32-byte key in Base64, so
// that every provider (GNOME Keyring, KDE's wallet, KeePassXC) keeps and shows it as text.
//
// Every request waits for the provider at most FWait: one that never answers makes the lookup
// fail, not hang the start. An unlock prompt waits as long as the user takes to answer it.
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/sodium_data_protection.h"

namespace vm {

class TSecretServiceKey {
public:
  using TKey = TSodiumDataProtection::TKey;
  static constexpr const char* Label = "Vellomarch history key";
  static constexpr std::chrono::milliseconds DefaultWait{10000};

  // Connects to the session's Secret Service. Raises TError with the reason when there is none
  // (no session bus, no provider, no answer in time).
  explicit TSecretServiceKey(std::chrono::milliseconds AWait = DefaultWait);
  ~TSecretServiceKey();
  TSecretServiceKey(const TSecretServiceKey&) = delete;
  TSecretServiceKey& operator=(const TSecretServiceKey&) = delete;

  // The stored key, unlocking its collection the way the desktop does (its own prompt) when
  // it is locked; nullopt when there is no such item. Raises TError with the reason when the
  // keyring cannot be read: the user refused to unlock it, the provider failed or did not answer.
  std::optional<TKey> Lookup();
  // Stores AKey as the item (replacing an earlier one), unlocking the default collection first
  // when it is locked. Raises TError with the reason.
  void Store(const TKey& AKey);

private:
  struct TImpl;
  TImpl* FImpl;
};

// What the start-up did with the history key; each line is for the log.
struct THistoryKeySetUp {
  std::vector<std::u16string> LogLines;
};

// Finds the history key for this session and sets AProtection up with it:
// - the keyring holds the key: it is used; a key file left by an interrupted move of that same
//   key is removed, a key file with another key is kept (it still opens older files);
// - the keyring holds none and there is a key file: its key is moved in: stored, read back and
//   compared, and only then is the key file removed, so that at every moment one of the two
//   holds the key;
// - neither holds one: a new random key is stored in the keyring, unless a history file exists
//   that a keyring's key protected (a new key would not open it; it is left alone);
// - no keyring (no session bus, no provider, not unlocked, no answer): the key file as before,
//   and one line saying why.
THistoryKeySetUp SetUpHistoryKey(TSodiumDataProtection& AProtection, const std::filesystem::path& AHistoryFile,
                                 std::chrono::milliseconds AWait = TSecretServiceKey::DefaultWait);

// Only looks: the keyring's key when there is one, the key file otherwise. Moves and makes
// nothing (for tools that read a history file beside a running program).
void LookUpHistoryKey(TSodiumDataProtection& AProtection,
                      std::chrono::milliseconds AWait = TSecretServiceKey::DefaultWait);

} // namespace vm
