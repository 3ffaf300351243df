// A screen that shows nothing, for boards that no window shows: the hint's
// trial copy, the puzzle generator's grading, the benchmarks. Questions get
// the answer it was made with; the title is kept.
#pragma once

#include <string>
#include <vector>

#include "board/screen.h"

namespace kovalo {

class SilentScreen : public Screen {
 public:
  explicit SilentScreen(Reply answer = Reply::No) : answer_(answer) {}

  Reply ShowMessage(const std::string&, const std::string&, Buttons buttons, const Cell*) override {
    return buttons == Buttons::YesNo ? answer_ : Reply::Ok;
  }
  void SetTitle(const std::string& title) override { title_ = title; }
  std::string Title() const override { return title_; }
  void EnableControl(int, bool) override {}
  void SetControlChecked(int, bool) override {}
  void Repaint() override {}
  bool SetClipboardText(const std::string&) override { return true; }
  void SetWaitCursor(bool) override {}
  void MarkHintCells(const std::vector<int>&) override {}

 private:
  Reply answer_;
  std::string title_;
};

}  // namespace kovalo
