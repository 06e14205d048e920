#include "platform/linux/secret_service_key.h"

#include <libsecret/secret.h>
#include <sodium.h>

#include <fstream>
#include <memory>
#include <utility>

#include "support/error.h"
#include "support/text.h"

namespace vm {
namespace fs = std::filesystem;

namespace {

const SecretSchema& HistoryKeySchema() {
  static const SecretSchema Schema = [] {
    SecretSchema S{};
    S.name = "org.vellomarch.HistoryKey";
    // Found by its two attributes alone, whoever stored it (secret-tool too).
    S.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
    S.attributes[0] = {"application", SECRET_SCHEMA_ATTRIBUTE_STRING};
    S.attributes[1] = {"kind", SECRET_SCHEMA_ATTRIBUTE_STRING};
    return S;
  }();
  return Schema;
}

GHashTable* HistoryKeyAttributes() {
  return secret_attributes_build(&HistoryKeySchema(), "application", "vellomarch", "kind", "history-key", nullptr);
}

// One asynchronous request of libsecret, run to its end on the private main context.
struct TRequest {
  GAsyncResult* Result = nullptr;
  GCancellable* Cancellable = g_cancellable_new();
  bool TimedOut = false;

  TRequest() = default;
  TRequest(const TRequest&) = delete;
  TRequest& operator=(const TRequest&) = delete;
  ~TRequest() {
    if (Result) g_object_unref(Result);
    g_object_unref(Cancellable);
  }
};

void OnReady(GObject*, GAsyncResult* AResult, gpointer AData) {
  static_cast<TRequest*>(AData)->Result = G_ASYNC_RESULT(g_object_ref(AResult));
}

gboolean OnTimeout(gpointer AData) {
  auto* Request = static_cast<TRequest*>(AData);
  Request->TimedOut = true;
  g_cancellable_cancel(Request->Cancellable);
  return G_SOURCE_REMOVE;
}

std::u16string TextOf(const char* AUtf8) { return Utf8ToUtf16Lossy(AUtf8 ? AUtf8 : ""); }

class TGError {
public:
  TGError() = default;
  TGError(const TGError&) = delete;
  TGError& operator=(const TGError&) = delete;
  ~TGError() {
    if (FError) g_error_free(FError);
  }
  GError** Out() { return &FError; }
  explicit operator bool() const { return FError != nullptr; }
  std::u16string Text() const { return FError ? TextOf(FError->message) : std::u16string(u"unknown error"); }

private:
  GError* FError = nullptr;
};

// The key in Base64, with its terminating zero.
std::string KeyText(const TSecretServiceKey::TKey& AKey) {
  std::string Text(sodium_base64_ENCODED_LEN(TSecretServiceKey::TKey().size(), sodium_base64_VARIANT_ORIGINAL), '\0');
  sodium_bin2base64(Text.data(), Text.size(), AKey.data(), AKey.size(), sodium_base64_VARIANT_ORIGINAL);
  return Text;
}

bool SameKey(const TSecretServiceKey::TKey& A, const TSecretServiceKey::TKey& B) {
  return sodium_memcmp(A.data(), B.data(), A.size()) == 0;
}

std::u16string Quoted(const fs::path& APath) { return u"\"" + Utf8ToUtf16Lossy(APath.string()) + u"\""; }

// The first byte of the history file, the format version of its blob; 0 when there is none.
int HistoryFormatVersion(const fs::path& AHistoryFile) {
  std::ifstream In(AHistoryFile, std::ios::binary);
  const int First = In.get();
  return First == std::char_traits<char>::eof() ? 0 : First;
}

} // namespace

struct TSecretServiceKey::TImpl {
  std::chrono::milliseconds Wait;
  GMainContext* Context = g_main_context_new();
  SecretService* Service = nullptr;

  explicit TImpl(std::chrono::milliseconds AWait) : Wait(AWait) {
    // libsecret answers on the thread-default context: a private one keeps its replies away
    // from the toolkit's loop and lets the start-up wait for exactly the request it made.
    g_main_context_push_thread_default(Context);
  }
  ~TImpl() {
    if (Service) g_object_unref(Service);
    secret_service_disconnect();
    while (g_main_context_iteration(Context, FALSE)) {
    }
    g_main_context_pop_thread_default(Context);
    g_main_context_unref(Context);
  }

  // Starts the request with AStart(cancellable, callback, data) and runs the context until it
  // has its result. A bounded request is cancelled once Wait has passed without an answer.
  template <class TStart> void Run(TRequest& ARequest, bool ABounded, TStart&& AStart) {
    AStart(ARequest.Cancellable, &OnReady, &ARequest);
    GSource* Timer = nullptr;
    if (ABounded) {
      Timer = g_timeout_source_new(static_cast<guint>(Wait.count()));
      g_source_set_callback(Timer, &OnTimeout, &ARequest, nullptr);
      g_source_attach(Timer, Context);
    }
    while (!ARequest.Result) g_main_context_iteration(Context, TRUE);
    if (Timer) {
      g_source_destroy(Timer);
      g_source_unref(Timer);
    }
  }

  TError Failure(const TRequest& ARequest, const std::u16string& AWhat, const TGError& AError) const {
    if (ARequest.TimedOut)
      return TError(AWhat + u"the Secret Service did not answer within " +
                    IntToStr(static_cast<long long>(Wait.count() / 1000)) + u" s");
    return TError(AWhat + AError.Text());
  }

  // Unlocks AObject (an item or a collection) with the desktop's prompt; no time limit, since
  // what is awaited is the user's answer.
  void Unlock(gpointer AObject) {
    GList* Objects = g_list_append(nullptr, AObject);
    TRequest Request;
    Run(Request, false, [&](GCancellable* C, GAsyncReadyCallback Callback, gpointer Data) {
      secret_service_unlock(Service, Objects, C, Callback, Data);
    });
    g_list_free(Objects);
    GList* Unlocked = nullptr;
    TGError Error;
    const gint Count = secret_service_unlock_finish(Service, Request.Result, &Unlocked, Error.Out());
    g_list_free_full(Unlocked, g_object_unref);
    if (Error) throw Failure(Request, u"the keyring could not be unlocked: ", Error);
    if (Count == 0) throw TError(u"the keyring was not unlocked");
  }
};

TSecretServiceKey::TSecretServiceKey(std::chrono::milliseconds AWait) {
  auto Impl = std::make_unique<TImpl>(AWait);
  TRequest Request;
  Impl->Run(Request, true, [](GCancellable* C, GAsyncReadyCallback Callback, gpointer Data) {
    secret_service_get(SECRET_SERVICE_OPEN_SESSION, C, Callback, Data);
  });
  TGError Error;
  Impl->Service = secret_service_get_finish(Request.Result, Error.Out());
  if (!Impl->Service) throw Impl->Failure(Request, u"", Error);
  FImpl = Impl.release();
}

TSecretServiceKey::~TSecretServiceKey() { delete FImpl; }

std::optional<TSecretServiceKey::TKey> TSecretServiceKey::Lookup() {
  TImpl& I = *FImpl;
  GHashTable* Attributes = HistoryKeyAttributes();
  TRequest Search;
  I.Run(Search, true, [&](GCancellable* C, GAsyncReadyCallback Callback, gpointer Data) {
    secret_service_search(I.Service, &HistoryKeySchema(), Attributes, SECRET_SEARCH_NONE, C, Callback, Data);
  });
  g_hash_table_unref(Attributes);
  TGError SearchError;
  GList* Items = secret_service_search_finish(I.Service, Search.Result, SearchError.Out());
  if (SearchError) throw I.Failure(Search, u"the keyring cannot be searched: ", SearchError);
  if (!Items) return std::nullopt;
  SecretItem* Item = SECRET_ITEM(g_object_ref(Items->data));
  g_list_free_full(Items, g_object_unref);
  const std::unique_ptr<SecretItem, void (*)(gpointer)> Owned(Item, g_object_unref);

  if (secret_item_get_locked(Item)) I.Unlock(Item);
  TRequest Load;
  I.Run(Load, true, [&](GCancellable* C, GAsyncReadyCallback Callback, gpointer Data) {
    secret_item_load_secret(Item, C, Callback, Data);
  });
  TGError LoadError;
  if (!secret_item_load_secret_finish(Item, Load.Result, LoadError.Out()))
    throw I.Failure(Load, u"the history key cannot be read from the keyring: ", LoadError);
  SecretValue* Value = secret_item_get_secret(Item);
  if (!Value) throw TError(u"the keyring gave no secret for the history key");
  gsize Length = 0;
  const gchar* Text = secret_value_get(Value, &Length);
  TKey Key{};
  std::size_t KeyLength = 0;
  const int Decoded = sodium_base642bin(Key.data(), Key.size(), Text, Length, " \n", &KeyLength, nullptr,
                                        sodium_base64_VARIANT_ORIGINAL);
  secret_value_unref(Value);
  if (Decoded != 0 || KeyLength != Key.size()) {
    sodium_memzero(Key.data(), Key.size());
    throw TError(u"the keyring's \"" + TextOf(Label) + u"\" is not a key of " + IntToStr(static_cast<long long>(TSodiumDataProtection::KeySize)) +
                 u" bytes in Base64; it was left unchanged");
  }
  return Key;
}

void TSecretServiceKey::Store(const TKey& AKey) {
  TImpl& I = *FImpl;
  TRequest Alias;
  I.Run(Alias, true, [&](GCancellable* C, GAsyncReadyCallback Callback, gpointer Data) {
    secret_collection_for_alias(I.Service, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, C, Callback, Data);
  });
  TGError AliasError;
  SecretCollection* Collection = secret_collection_for_alias_finish(Alias.Result, AliasError.Out());
  if (AliasError) throw I.Failure(Alias, u"the keyring's default collection cannot be found: ", AliasError);
  if (!Collection) throw TError(u"the keyring has no default collection");
  const std::unique_ptr<SecretCollection, void (*)(gpointer)> Owned(Collection, g_object_unref);
  if (secret_collection_get_locked(Collection)) I.Unlock(Collection);

  std::string Text = KeyText(AKey);
  SecretValue* Value = secret_value_new(Text.c_str(), -1, "text/plain");
  sodium_memzero(Text.data(), Text.size());
  GHashTable* Attributes = HistoryKeyAttributes();
  TRequest Store;
  I.Run(Store, true, [&](GCancellable* C, GAsyncReadyCallback Callback, gpointer Data) {
    secret_service_store(I.Service, &HistoryKeySchema(), Attributes, SECRET_COLLECTION_DEFAULT, Label, Value, C,
                         Callback, Data);
  });
  g_hash_table_unref(Attributes);
  secret_value_unref(Value);
  TGError StoreError;
  if (!secret_service_store_finish(I.Service, Store.Result, StoreError.Out()))
    throw I.Failure(Store, u"the history key cannot be stored in the keyring: ", StoreError);
}

namespace {

std::u16string KeptInKeyFile(const TSodiumDataProtection& AProtection, const std::u16string& AWhy) {
  return u"History key kept in the key file " + Quoted(AProtection.KeyFilePath()) + u": " + AWhy;
}

// Stores AKey and reads it back: only a keyring that gives back the same key holds it.
void StoreAndCheck(TSecretServiceKey& AKeyring, const TSecretServiceKey::TKey& AKey) {
  AKeyring.Store(AKey);
  const std::optional<TSecretServiceKey::TKey> Back = AKeyring.Lookup();
  if (!Back) throw TError(u"the stored history key is not found in the keyring again");
  if (!SameKey(*Back, AKey)) throw TError(u"the keyring gives back another key than the one stored");
}

} // namespace

THistoryKeySetUp SetUpHistoryKey(TSodiumDataProtection& AProtection, const fs::path& AHistoryFile,
                                 std::chrono::milliseconds AWait) {
  THistoryKeySetUp Result;
  std::unique_ptr<TSecretServiceKey> Keyring;
  std::optional<TSecretServiceKey::TKey> Stored;
  try {
    Keyring = std::make_unique<TSecretServiceKey>(AWait);
    Stored = Keyring->Lookup();
  } catch (const std::exception& E) {
    AProtection.KeyringUnreachable(ErrorMessage(E));
    Result.LogLines.push_back(
        KeptInKeyFile(AProtection, u"the desktop's keyring (Secret Service) cannot be reached: " + ErrorMessage(E)));
    return Result;
  }

  std::optional<TSecretServiceKey::TKey> FromFile;
  try {
    FromFile = AProtection.ReadKeyFileKey();
  } catch (const std::exception& E) {
    // A key file that cannot be read (wrong size, another owner, ...) is neither moved nor
    // replaced; it fails the saves and loads it is asked for as it did before.
    if (Stored) AProtection.UseKeyringKey(*Stored);
    else AProtection.KeyringWithoutKey();
    Result.LogLines.push_back(u"History key not moved into the desktop's keyring: " + ErrorMessage(E));
    return Result;
  }

  if (Stored) {
    AProtection.UseKeyringKey(*Stored);
    if (FromFile && SameKey(*FromFile, *Stored)) {
      // A move that was cut short after the keyring had the key.
      try {
        AProtection.RemoveKeyFile();
        Result.LogLines.push_back(u"History key file " + Quoted(AProtection.KeyFilePath()) +
                                  u" removed: its key is in the desktop's keyring");
      } catch (const std::exception& E) {
        Result.LogLines.push_back(ErrorMessage(E));
      }
    } else if (FromFile) {
      Result.LogLines.push_back(u"History key file " + Quoted(AProtection.KeyFilePath()) +
                                u" kept: it holds another key than the desktop's keyring, and opens the history "
                                u"files saved under it");
    }
    sodium_memzero(Stored->data(), Stored->size());
    if (FromFile) sodium_memzero(FromFile->data(), FromFile->size());
    return Result;
  }

  if (FromFile) {
    try {
      StoreAndCheck(*Keyring, *FromFile);
    } catch (const std::exception& E) {
      AProtection.KeyringUnreachable(u"the key could not be moved into it: " + ErrorMessage(E));
      Result.LogLines.push_back(
          KeptInKeyFile(AProtection, u"it could not be moved into the desktop's keyring: " + ErrorMessage(E)));
      sodium_memzero(FromFile->data(), FromFile->size());
      return Result;
    }
    AProtection.UseKeyringKey(*FromFile);
    sodium_memzero(FromFile->data(), FromFile->size());
    try {
      // Only now: until here the key file was the one copy the keyring had not confirmed.
      AProtection.RemoveKeyFile();
      Result.LogLines.push_back(u"History key moved from the key file " + Quoted(AProtection.KeyFilePath()) +
                                u" into the desktop's keyring");
    } catch (const std::exception& E) {
      Result.LogLines.push_back(u"History key copied into the desktop's keyring; " + ErrorMessage(E));
    }
    return Result;
  }

  // A history that a keyring's key protected needs that key: a new one would not open it, and
  // would protect the next saves of a session that must leave the file alone.
  if (HistoryFormatVersion(AHistoryFile) == TSodiumDataProtection::KeyringFormatVersion) {
    AProtection.KeyringWithoutKey();
    return Result;
  }
  TSecretServiceKey::TKey NewKey{};
  randombytes_buf(NewKey.data(), NewKey.size());
  try {
    StoreAndCheck(*Keyring, NewKey);
    AProtection.UseKeyringKey(NewKey);
  } catch (const std::exception& E) {
    AProtection.KeyringUnreachable(u"the key could not be stored in it: " + ErrorMessage(E));
    Result.LogLines.push_back(
        KeptInKeyFile(AProtection, u"it could not be stored in the desktop's keyring: " + ErrorMessage(E)));
  }
  sodium_memzero(NewKey.data(), NewKey.size());
  return Result;
}

void LookUpHistoryKey(TSodiumDataProtection& AProtection, std::chrono::milliseconds AWait) {
  try {
    TSecretServiceKey Keyring(AWait);
    if (std::optional<TSecretServiceKey::TKey> Stored = Keyring.Lookup()) {
      AProtection.UseKeyringKey(*Stored);
      sodium_memzero(Stored->data(), Stored->size());
    } else {
      AProtection.KeyringWithoutKey();
    }
  } catch (const std::exception& E) {
    AProtection.KeyringUnreachable(ErrorMessage(E));
  }
}

} // namespace vm
