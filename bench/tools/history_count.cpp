// Prints the number of entries in a Vellomarch data folder's history file, opened with the
// user's key ($XDG_CONFIG_HOME/vellomarch). Exit code 1 when the file cannot be read.
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

#include "history/clip_history.h"
#include "history/history_file.h"
#include "platform/linux/sodium_data_protection.h"
#include "support/error.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: bench_history_count <data folder>\n";
    return 1;
  }
  std::ifstream In(std::filesystem::path(argv[1]) / "VellomarchData.dat", std::ios::binary);
  const vm::TBytes Stored((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
  try {
    vm::TSodiumDataProtection Protection(vm::TSodiumDataProtection::DefaultKeyFolder());
    const vm::TBytes Plain = vm::UnprotectBytes(Protection, Stored);
    vm::TClipItemList Items;
    vm::ParseHistoryDocument(std::string_view(reinterpret_cast<const char*>(Plain.data()), Plain.size()), Items);
    std::cout << Items.Count() << "\n";
    return 0;
  } catch (const vm::TError& E) {
    std::cerr << "cannot read the history\n";
    return 1;
  }
}
