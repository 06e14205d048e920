// Prints the plain JSON document of a data folder's history file, opened with the data-protection
// service of the same Wine prefix (the same user), so that the end-to-end tests can check what the
// program recorded.
//
//   history_dump <data folder>            the document as stored
//   history_dump <data folder> --texts    one line per entry, top first: kind, "pinned" or "-",
//                                         and the text with CR and LF written as \r and \n
//
// Exit codes: 0 printed, 1 usage, 2 no history file, 3 the file cannot be opened.
#include <windows.h>

#include <cstdio>
#include <string>

#include "history/clip_history.h"
#include "history/file_access.h"
#include "history/history_file.h"
#include "platform/windows/dpapi_data_protection.h"
#include "support/error.h"
#include "support/text.h"

int wmain(int argc, wchar_t** argv) {
  const bool Texts = argc == 3 && std::wstring(argv[2]) == L"--texts";
  if (argc != 2 && !Texts) {
    std::fputs("usage: history_dump <data folder> [--texts]\n", stderr);
    return 1;
  }
  std::u16string Folder(reinterpret_cast<const char16_t*>(argv[1]));
  if (!Folder.empty() && Folder.back() != u'\\') Folder += u'\\';
  const std::u16string File = Folder + std::u16string(vm::HistoryFileName);
  if (GetFileAttributesW(reinterpret_cast<const wchar_t*>(File.c_str())) == INVALID_FILE_ATTRIBUTES) {
    std::fputs("no history file\n", stderr);
    return 2;
  }
  try {
    const std::string Stored = vm::ReadWholeFile(File);
    vm::TDpapiDataProtection Protection;
    const vm::TBytes Plain = vm::UnprotectBytes(Protection, vm::TBytes(Stored.begin(), Stored.end()));
    if (!Texts) {
      std::fwrite(Plain.data(), 1, Plain.size(), stdout);
      std::fputs("\n", stdout);
      return 0;
    }
    vm::TClipItemList Items;
    vm::AppendHistoryJson(std::string_view(reinterpret_cast<const char*>(Plain.data()), Plain.size()), Items);
    for (int I = 0; I < Items.Count(); ++I) {
      const vm::TClipItem& Item = Items[I];
      const std::u16string Line = vm::ReplaceAll(vm::ReplaceAll(Item.Text, u"\r", u"\\r"), u"\n", u"\\n");
      std::printf("%d\t%s\t%s\n", static_cast<int>(Item.ItemType), Item.Pinned ? "pinned" : "-",
                  vm::Utf16ToUtf8(Line).c_str());
    }
  } catch (const vm::TError& E) {
    std::fprintf(stderr, "%s\n", vm::Utf16ToUtf8(E.Message()).c_str());
    return 3;
  }
  return 0;
}
