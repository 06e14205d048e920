#pragma once
// The protected history file "VellomarchData.dat": a compact JSON array of the entries, made
// ASCII by escaping, protected for the current user by the platform's data-protection service.
#include <string>
#include <string_view>

#include "history/clip_history.h"
#include "support/text.h"

namespace vm {

class IDataProtection;

inline constexpr std::u16string_view HistoryFileName = u"VellomarchData.dat";
// A file that failed to load is copied aside under its name followed by this.
inline constexpr std::u16string_view BrokenCopySuffix = u".broken";

// Empty input gives empty output without asking the service. A refusal of the service raises
// TError "CryptProtectData failed: " / "CryptUnprotectData failed: " + the platform's text.
TBytes ProtectBytes(IDataProtection& AProtection, const TBytes& APlain);
TBytes UnprotectBytes(IDataProtection& AProtection, const TBytes& AProtected);
// ProtectBytes for bytes the caller gives up, after AProtection.InPlaceHeaderSize() free bytes
// (IDataProtection::ProtectInPlace).
TBytes ProtectInPlaceBytes(IDataProtection& AProtection, TBytes ABuffer);

// The document exactly as it is stored, before protection: [{"t":0,"x":"...","i":"...","p":false},...]
// Solidus written as \/, control characters and every code unit above U+007F as \uXXXX
// (upper-case hex), so that the document is pure ASCII.
std::string HistoryToJson(const TClipItemList& AItems);

// Appends the entries of a history document at the bottom of AItems. Raises TError when the
// document is not a JSON array or a member holds a value of an unusable type; entries appended
// before the failure stay, the caller drops them.
void AppendHistoryJson(std::string_view ADocument, TClipItemList& AItems);

// The unprotected bytes of a history file read into AItems, as LoadFromFile reads them: they
// must be UTF-8, then a history document (AppendHistoryJson). Raises TError like it.
void ParseHistoryDocument(std::string_view APlain, TClipItemList& AItems);

} // namespace vm
