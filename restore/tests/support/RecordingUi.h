// A UiPort double for the restore program's tests: records every message box
// and dialog, answers questions by a fragment of their text (default: the
// affirmative answer of the box's buttons), and counts hourglass and event
// pumping.
#pragma once

#include "platform/Text.h"
#include "restore/run/FormModel.h"
#include "restore/run/UiPort.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vrel::test {

using restore::MsgBoxStyle;
using restore::MsgIcon;
using restore::MsgResult;

struct ShownBox {
  std::string text;
  MsgBoxStyle buttons;
  MsgIcon icon;
  std::string caption;
  MsgResult answer;
};

class RecordingUi : public restore::UiPort {
 public:
  std::vector<ShownBox> boxes;
  // Rules: a box whose text contains the fragment (any case) gets the
  // answer; a rule with uses > 0 is dropped after that many uses.
  struct Rule {
    std::string fragment;
    MsgResult answer;
    int uses = 0;
  };
  std::vector<Rule> rules;
  void answer(std::string fragment, MsgResult r, int uses = 0) { rules.push_back({std::move(fragment), r, uses}); }

  std::deque<std::string> folders;    // folder picker answers in order; empty: cancelled
  std::deque<std::string> openFiles;  // file-open answers
  std::deque<std::string> saveFiles;
  std::deque<std::optional<std::string>> inputs;
  std::vector<std::string> opened;    // openWithDefaultHandler targets
  std::vector<std::string> shownForms;
  std::vector<std::string> closedForms;
  std::vector<restore::FileDialogOptions> fileDialogs;
  // Called with every box before its answer is returned.
  std::function<void(const ShownBox&)> onBox;
  int hourglassOn = 0, hourglassOff = 0, events = 0;
  bool busy = false;

  // The texts of all boxes shown, in order.
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (const auto& b : boxes) out.push_back(b.text);
    return out;
  }
  bool shown(std::string_view fragment) const {
    for (const auto& b : boxes)
      if (ifind(b.text, fragment) != std::string::npos) return true;
    return false;
  }

  MsgResult MsgBox(const std::string& text, MsgBoxStyle buttons, MsgIcon icon, const std::string& caption) override {
    MsgResult a = affirmative(buttons);
    for (auto it = rules.begin(); it != rules.end(); ++it) {
      if (ifind(text, it->fragment) == std::string::npos) continue;
      a = it->answer;
      if (it->uses > 0 && --it->uses == 0) rules.erase(it);
      break;
    }
    boxes.push_back({text, buttons, icon, caption, a});
    if (onBox) onBox(boxes.back());
    return a;
  }
  std::string BrowseForFolder(const std::string&) override { return next(folders); }
  std::string GetOpenFileName(const restore::FileDialogOptions& o) override {
    fileDialogs.push_back(o);
    return next(openFiles);
  }
  std::string GetSaveFileName(const restore::FileDialogOptions& o) override {
    fileDialogs.push_back(o);
    return next(saveFiles);
  }
  std::optional<std::string> InputBox(const std::string&, const std::string&, const std::string&) override {
    if (inputs.empty()) return std::nullopt;
    auto v = inputs.front();
    inputs.pop_front();
    return v;
  }
  void setHourglass(bool on) override {
    busy = on;
    ++(on ? hourglassOn : hourglassOff);
  }
  void DoEvents() override {
    ++events;
    if (onEvents) onEvents();
  }
  // Called whenever the core lets the front-end process events.
  std::function<void()> onEvents;
  // Called with every form shown, so a test can act in a modal dialog.
  std::function<void(restore::FormModel&)> onShowForm;
  void showForm(restore::FormModel& form, bool) override {
    shownForms.push_back(form.name());
    if (onShowForm) onShowForm(form);
  }
  void closeForm(restore::FormModel& form) override { closedForms.push_back(form.name()); }
  void openWithDefaultHandler(const std::string& target) override { opened.push_back(target); }

  static MsgResult affirmative(MsgBoxStyle buttons) {
    switch (buttons) {
      case MsgBoxStyle::YesNo:
      case MsgBoxStyle::YesNoCancel: return MsgResult::Yes;
      case MsgBoxStyle::RetryCancel:
      case MsgBoxStyle::AbortRetryIgnore: return MsgResult::Retry;
      default: return MsgResult::OK;
    }
  }

 private:
  static std::string next(std::deque<std::string>& q) {
    if (q.empty()) return {};
    std::string v = q.front();
    q.pop_front();
    return v;
  }
};

}  // namespace vrel::test
