// Puzzles per second per level, and in the same run qqwing's rate at its
// nearest level (easy: simple, medium: easy, hard: intermediate, evil:
// expert), with qqwing's own --generate. Both rates are per second of CPU
// time: the machine is shared, and wall time would charge either side with
// the others' work. The parts of a generation are timed on their own too.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "generator/exact_solver.h"
#include "generator/generator.h"
#include "generator/grader.h"

namespace kovalo::sites {
namespace {

void GeneratePuzzles(benchmark::State& state) {
  const Level level = static_cast<Level>(state.range(0));
  std::uint64_t seed = 1;
  std::int64_t puzzles = 0, rounds = 0, clues = 0;
  for (auto _ : state) {
    int round = 0;
    const Puzzle puzzle = GeneratePuzzle(level, seed++, &round);
    benchmark::DoNotOptimize(puzzle.givens.data());
    ++puzzles;
    rounds += round;
    for (char c : puzzle.givens) clues += c != '.';
  }
  state.SetLabel(LevelName(level));
  state.counters["puzzles_per_second"] =
      benchmark::Counter(static_cast<double>(puzzles), benchmark::Counter::kIsRate);
  state.counters["grids_per_puzzle"] =
      puzzles ? static_cast<double>(rounds) / static_cast<double>(puzzles) : 0.0;
  state.counters["clues"] =
      puzzles ? static_cast<double>(clues) / static_cast<double>(puzzles) : 0.0;
}
BENCHMARK(GeneratePuzzles)->DenseRange(0, kLevels - 1)->Unit(benchmark::kMicrosecond);

double ChildrenCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// One run of `qqwing --generate N` per iteration; args: level, N. The
// iteration's time is qqwing's CPU time.
void Qqwing(benchmark::State& state) {
  static const std::array<const char*, kLevels> kDifficulty = {"simple", "easy", "intermediate",
                                                               "expert"};
  const Level level = static_cast<Level>(state.range(0));
  const int count = static_cast<int>(state.range(1));
  const std::string command = "qqwing --generate " + std::to_string(count) + " --difficulty " +
                              kDifficulty[static_cast<int>(level)] + " --one-line 2>/dev/null";
  std::int64_t puzzles = 0;
  double cpuSeconds = 0;
  for (auto _ : state) {
    const double before = ChildrenCpuSeconds();
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
      state.SkipWithError("cannot start qqwing");
      return;
    }
    int lines = 0;
    char line[256];
    while (std::fgets(line, sizeof line, pipe)) lines += std::string(line).size() >= 81;
    const int status = pclose(pipe);
    const double spent = ChildrenCpuSeconds() - before;
    if (status != 0 || lines != count) {
      state.SkipWithError("qqwing did not print the puzzles (is it installed?)");
      return;
    }
    state.SetIterationTime(spent);
    cpuSeconds += spent;
    puzzles += lines;
  }
  state.SetLabel(std::string(LevelName(level)) + " ~ qqwing " +
                 kDifficulty[static_cast<int>(level)]);
  state.counters["puzzles_per_second"] =
      cpuSeconds > 0 ? static_cast<double>(puzzles) / cpuSeconds : 0;
}
// qqwing takes about half a second of CPU per simple puzzle on its own.
BENCHMARK(Qqwing)
    ->Args({0, 10})
    ->Args({1, 200})
    ->Args({2, 100})
    ->Args({3, 200})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The parts, on puzzles of each level made once beforehand.
const std::vector<Puzzle>& PuzzlesOf(Level level) {
  static std::array<std::vector<Puzzle>, kLevels> made;
  std::vector<Puzzle>& puzzles = made[static_cast<int>(level)];
  if (puzzles.empty())
    for (std::uint64_t seed = 0; seed < 64; ++seed) puzzles.push_back(GeneratePuzzle(level, seed));
  return puzzles;
}

void GradeOnTheBoard(benchmark::State& state) {
  const Level level = static_cast<Level>(state.range(0));
  std::vector<std::pair<Grid, Grid>> grids;
  for (const Puzzle& p : PuzzlesOf(level))
    grids.emplace_back(*GridOfText(p.givens), *GridOfText(p.solution));
  size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(GradeOnBoard(grids[next].first, grids[next].second));
    next = (next + 1) % grids.size();
  }
  state.SetLabel(LevelName(level));
}
BENCHMARK(GradeOnTheBoard)->DenseRange(0, kLevels - 1)->Unit(benchmark::kMicrosecond);

void GradeOnMasks(benchmark::State& state) {
  const Level level = static_cast<Level>(state.range(0));
  std::vector<Grid> grids;
  for (const Puzzle& p : PuzzlesOf(level)) grids.push_back(*GridOfText(p.givens));
  size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(AidsLevel(grids[next]));
    next = (next + 1) % grids.size();
  }
  state.SetLabel(LevelName(level));
}
BENCHMARK(GradeOnMasks)->DenseRange(0, kLevels - 1)->Unit(benchmark::kMicrosecond);

void CountTwoSolutions(benchmark::State& state) {
  const Level level = static_cast<Level>(state.range(0));
  std::vector<Grid> grids;
  for (const Puzzle& p : PuzzlesOf(level)) grids.push_back(*GridOfText(p.givens));
  size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(CountSolutions(grids[next], 2));
    next = (next + 1) % grids.size();
  }
  state.SetLabel(LevelName(level));
}
BENCHMARK(CountTwoSolutions)->DenseRange(0, kLevels - 1)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kovalo::sites

BENCHMARK_MAIN();
