// What the two months' saves cost in memory after start-up, and how long
// the start-up listing takes, with month files of 10,000 saves each.
//
//   build/bench/saves/kovalo_saves_memory
//       the core's start-up, as the window does it, in this process: resident
//       memory before and after, against the files' size
//   build/bench/saves/kovalo_saves_memory make FOLDER
//       writes this month's and last month's files of 10,000 saves each into
//       FOLDER/Saves, to measure the whole program started in FOLDER
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "month_files.h"
#include "saves/save_book.h"

namespace kovalo {
namespace {

constexpr int kSaves = 10000;

// Resident memory in KB, from /proc.
long ResidentKb() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

// Both month files as SaveFiles names them for a start-up at now.
std::uintmax_t MakeFolder(const std::string& folder, std::time_t now) {
  IniStore store;
  const SaveFiles files(store, folder, now);
  std::filesystem::create_directories(folder + "/Saves");
  std::tm fields{};
  ::localtime_r(&now, &fields);
  const int month = fields.tm_mon + 1;
  std::ofstream(files.currentMonthPath(), std::ios::binary) << MonthFile(kSaves, month);
  std::ofstream(files.previousMonthPath(), std::ios::binary)
      << MonthFile(kSaves, month == 1 ? 12 : month - 1);
  return std::filesystem::file_size(files.currentMonthPath()) +
         std::filesystem::file_size(files.previousMonthPath());
}

int Measure() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "kovalo-saves-memory-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) return 1;
  const std::string folder = pattern + "/";
  const std::time_t now = std::time(nullptr);
  const std::uintmax_t fileBytes = MakeFolder(folder, now);

  const long before = ResidentKb();
  const auto start = std::chrono::steady_clock::now();
  IniStore store;
  SaveFiles files(store, folder, now);
  SaveBook book(files);
  const std::string message = book.Load();

  // The rows as the saves list takes them today, and the user puzzle
  // counter: the rest of the start-up that reads the files.
  const std::vector<ListedRow> rows = book.Rows();
  const int counter = files.ReadUserPuzzleCounter();
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  const long after = ResidentKb();

  const double fileMb = static_cast<double>(fileBytes) / 1e6;
  const double grewMb = static_cast<double>(after - before) * 1024 / 1e6;
  std::printf("month files        %8.1f MB (2 x %d saves)\n", fileMb, kSaves);
  std::printf("rows listed        %8zu (counter %d)%s\n", rows.size(), counter,
              message.empty() ? "" : " with a start-up message");
  std::printf("start-up listing   %8.1f ms\n", ms);
  std::printf("resident before    %8.1f MB\n", static_cast<double>(before) * 1024 / 1e6);
  std::printf("resident after     %8.1f MB\n", static_cast<double>(after) * 1024 / 1e6);
  std::printf("grew by            %8.1f MB = %.2f x the files (at most 1.5)\n", grewMb,
              grewMb / fileMb);

  // A Save reads, changes and writes the whole current month's file; what it
  // parsed for that is let go afterwards.
  const SaveEntry last = book.Saves(SaveMonth::Current).back();
  const auto saveStart = std::chrono::steady_clock::now();
  const bool saved = book.Save(last.description, last.position, last.answers, last.title).written;
  const double saveMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - saveStart)
          .count();
  const long afterSave = ResidentKb();
  std::printf("one Save           %8.1f ms%s\n", saveMs, saved ? "" : " (failed)");
  std::printf("resident after it  %8.1f MB = %.2f x the files over the start\n",
              static_cast<double>(afterSave) * 1024 / 1e6,
              static_cast<double>(afterSave - before) * 1024 / 1e6 / fileMb);
  std::filesystem::remove_all(folder);
  return 0;
}

}  // namespace
}  // namespace kovalo

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "make") {
    const std::uintmax_t bytes = kovalo::MakeFolder(argv[2], std::time(nullptr));
    std::printf("%s/Saves: 2 month files, %.1f MB\n", argv[2], static_cast<double>(bytes) / 1e6);
    return 0;
  }
  if (argc != 1) {
    std::fprintf(stderr, "usage: kovalo_saves_memory [make FOLDER]\n");
    return 2;
  }
  return kovalo::Measure();
}
