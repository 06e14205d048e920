// Prints the plain JSON document of a data folder's history file, opened with the user's key (in
// the session's keyring, or in $XDG_CONFIG_HOME/vellomarch), so that the end-to-end tests can check
// what was recorded. It only looks: no key is moved or made.
// Exit codes: 0 printed, 1 usage, 2 no history file, 3 the file cannot be opened.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "history/history_file.h"
#include "platform/linux/secret_service_key.h"
#include "platform/linux/sodium_data_protection.h"
#include "support/error.h"
#include "support/text.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: history_inspect <data folder>\n";
    return 1;
  }
  const std::filesystem::path File = std::filesystem::path(argv[1]) / "VellomarchData.dat";
  std::ifstream In(File, std::ios::binary);
  if (!In) {
    std::cerr << "no history file: " << File << "\n";
    return 2;
  }
  const vm::TBytes Stored((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
  try {
    vm::TSodiumDataProtection Protection(vm::TSodiumDataProtection::DefaultKeyFolder());
    vm::LookUpHistoryKey(Protection);
    const vm::TBytes Plain = vm::UnprotectBytes(Protection, Stored);
    std::cout.write(reinterpret_cast<const char*>(Plain.data()), static_cast<std::streamsize>(Plain.size()));
    std::cout << "\n";
  } catch (const vm::TError& E) {
    std::cerr << vm::Utf16ToUtf8(E.Message()) << "\n";
    return 3;
  }
  return 0;
}
