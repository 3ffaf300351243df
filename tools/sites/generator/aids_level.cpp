// The solving aids' deductions on candidate masks: naked singles propagated
// through a queue, lone numbers of a box, and box-line elimination.
#include <bit>
#include <cstdint>

#include "generator/grader.h"

namespace kovalo::sites {
namespace {

constexpr std::uint16_t kAllDigits = 0x1FF;

constexpr bool OneDigit(unsigned mask) { return mask != 0 && (mask & (mask - 1)) == 0; }

class Candidates {
 public:
  bool Load(const Grid& givens) {
    for (int k = 0; k < kGridCells; ++k) candidates_[k] = kAllDigits;
    for (int k = 0; k < kGridCells && !broken_; ++k) {
      const int digit = givens[k];
      if (digit >= 1 && digit <= 9) Place(k, static_cast<std::uint16_t>(1u << (digit - 1)));
    }
    return !broken_;
  }

  // The single digit fields, until none is left.
  void FixSingles() {
    while (queueHead_ < queueTail_ && !broken_) {
      const int k = queue_[queueHead_++];
      if (!digit_[k]) Place(k, candidates_[k]);
    }
  }

  // For every box and digit held by one of its open cells only: that cell
  // becomes the digit. True when some cell did.
  bool PlaceLoneNumbers() {
    const GridTables& t = t_;
    bool changed = false;
    for (const auto& box : t.boxes) {
      std::uint16_t once = 0, twice = 0;
      for (int k : box) {
        if (digit_[k]) continue;
        twice |= once & candidates_[k];
        once |= candidates_[k];
      }
      for (std::uint16_t lone = once & ~twice; lone && !broken_; lone &= lone - 1) {
        const std::uint16_t bit = lone & -lone;
        for (int k : box) {
          if (digit_[k] || !(candidates_[k] & bit)) continue;
          Place(k, bit);
          changed = true;
          break;
        }
      }
    }
    return changed;
  }

  // For every box and digit whose open cells in the box lie in one row (one
  // column): the digit goes from the rest of that row (column). True when
  // some digit was struck.
  bool EliminateBoxLines() {
    const GridTables& t = t_;
    bool changed = false;
    for (int b = 0; b < 9 && !broken_; ++b) {
      for (int d = 0; d < 9 && !broken_; ++d) {
        const std::uint16_t bit = static_cast<std::uint16_t>(1u << d);
        int rowsHit = 0, colsHit = 0;
        for (int k : t.boxes[b]) {
          if (digit_[k] || !(candidates_[k] & bit)) continue;
          rowsHit |= 1 << t.rowOf[k];
          colsHit |= 1 << t.colOf[k];
        }
        if (OneDigit(static_cast<unsigned>(rowsHit))) {
          for (int k : t.rows[std::countr_zero(static_cast<unsigned>(rowsHit))])
            if (t.boxOf[k] != b) changed |= Strike(k, bit);
        }
        if (OneDigit(static_cast<unsigned>(colsHit))) {
          for (int k : t.cols[std::countr_zero(static_cast<unsigned>(colsHit))])
            if (t.boxOf[k] != b) changed |= Strike(k, bit);
        }
      }
    }
    return changed;
  }

  bool broken() const { return broken_; }
  bool complete() const { return !broken_ && placed_ == kGridCells; }
  const Grid& digits() const { return digit_; }

 private:
  void Place(int k, std::uint16_t bit) {
    if (digit_[k] || !OneDigit(bit) || !(candidates_[k] & bit)) {
      broken_ = true;
      return;
    }
    digit_[k] = static_cast<std::uint8_t>(std::countr_zero(bit) + 1);
    candidates_[k] = bit;
    ++placed_;
    for (int p : t_.peers[k]) Strike(p, bit);
  }

  bool Strike(int k, std::uint16_t bit) {
    if (!(candidates_[k] & bit)) return false;
    if (digit_[k]) {  // a placed digit struck: the givens contradict themselves
      broken_ = true;
      return true;
    }
    candidates_[k] = static_cast<std::uint16_t>(candidates_[k] & ~bit);
    if (candidates_[k] == 0) {
      broken_ = true;
    } else if (OneDigit(candidates_[k])) {
      queue_[queueTail_++] = static_cast<std::uint8_t>(k);  // each cell at most once
    }
    return true;
  }

  const GridTables& t_ = Tables();
  std::uint16_t candidates_[kGridCells];
  Grid digit_{};
  int placed_ = 0;
  std::uint8_t queue_[kGridCells];
  int queueHead_ = 0, queueTail_ = 0;
  bool broken_ = false;
};

}  // namespace

std::optional<Level> AidsLevel(const Grid& givens, Level highest, Grid* completed) {
  Candidates aids;
  if (!aids.Load(givens)) return std::nullopt;
  auto done = [&](Level level) -> std::optional<Level> {
    if (completed) *completed = aids.digits();
    return level;
  };

  aids.FixSingles();
  if (aids.complete()) return done(Level::Easy);
  if (aids.broken() || highest == Level::Easy) return std::nullopt;

  // The lone numbers to the end before the first box-line elimination: a
  // puzzle they complete is medium.
  Level level = Level::Medium;
  for (;;) {
    bool changed = aids.PlaceLoneNumbers();
    aids.FixSingles();
    if (aids.complete()) return done(level);
    if (aids.broken()) return std::nullopt;
    if (changed) continue;
    if (highest == Level::Medium) return std::nullopt;
    level = Level::Hard;
    changed = aids.EliminateBoxLines();
    aids.FixSingles();
    if (aids.complete()) return done(level);
    if (aids.broken() || !changed) return std::nullopt;
  }
}

}  // namespace kovalo::sites
