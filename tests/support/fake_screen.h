// A scripted stand-in for the main window: records every message, title and
// control state the core sends, and answers questions from a script.
#pragma once

#include <deque>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "board/board.h"
#include "board/screen.h"

namespace kovalo::testing {

struct ShownMessage {
  std::string text;
  std::string caption;
  Buttons buttons;
  const Cell* owner;
};

class FakeScreen : public Screen {
 public:
  // Replies to the next questions (Yes/No boxes), in order. A question with
  // no scripted reply fails the test by throwing.
  std::deque<Reply> replies;
  std::vector<ShownMessage> messages;
  std::string title;
  std::map<int, bool> enabled;
  std::map<int, bool> checked;
  std::string clipboard;
  bool clipboardWorks = true;
  int repaints = 0;
  int waitCursorDepth = 0;
  std::vector<int> hintCells;

  Reply ShowMessage(const std::string& text, const std::string& caption, Buttons buttons,
                    const Cell* owner) override {
    messages.push_back({text, caption, buttons, owner});
    if (buttons == Buttons::Ok) return Reply::Ok;
    if (replies.empty()) throw std::logic_error("unscripted question: " + text);
    Reply reply = replies.front();
    replies.pop_front();
    return reply;
  }
  void SetTitle(const std::string& t) override { title = t; }
  std::string Title() const override { return title; }
  void EnableControl(int id, bool enable) override { enabled[id] = enable; }
  void SetControlChecked(int id, bool c) override { checked[id] = c; }
  void Repaint() override { ++repaints; }
  bool SetClipboardText(const std::string& text) override {
    if (!clipboardWorks) return false;
    clipboard = text;
    return true;
  }
  void SetWaitCursor(bool on) override { waitCursorDepth += on ? 1 : -1; }
  void MarkHintCells(const std::vector<int>& cells) override { hintCells = cells; }

  bool IsEnabled(int id) const {
    auto it = enabled.find(id);
    return it != enabled.end() && it->second;
  }
  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : messages) texts.push_back(m.text);
    return texts;
  }
};

}  // namespace kovalo::testing
