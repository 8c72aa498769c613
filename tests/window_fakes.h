// The main window's message boxes and dialogs as scripted fakes, for the widget tests.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/ports.h"

namespace brumel {

struct FakeMessages : MessagePort {
  void ShowInformation(const std::string& text) override { information.push_back(text); }
  void ShowError(const std::string& text) override { errors.push_back(text); }
  std::vector<std::string> information;
  std::vector<std::string> errors;
};

// Answers each showing with the next scripted selection; an empty one is a cancel.
struct FakeOpenDialog : OpenDialogPort {
  bool Execute() override {
    ++shown;
    if (script.empty()) return false;
    files = script.front();
    script.pop_front();
    return !files.empty();
  }
  std::vector<std::string> Files() const override { return files; }
  std::deque<std::vector<std::string>> script;
  std::vector<std::string> files;
  int shown = 0;
};

struct FakeSaveDialog : SaveDialogPort {
  bool Execute() override {
    ++shown;
    if (!confirm) return false;
    if (!typed.empty()) name = typed;
    return true;
  }
  std::string FileName() const override { return name; }
  void SetFileName(const std::string& fileName) override { name = fileName; }
  int FilterIndex() const override { return filter; }
  bool confirm = true;
  std::string typed;
  std::string name;
  int filter = 1;
  int shown = 0;
};

struct FakeOffer : OfferDialogPort {
  void SetCaption(const std::string& text) override { caption = text; }
  void SetUpperLine(const std::string&) override {}
  void SetLowerLine(const std::string&) override {}
  bool ShowModal() override { return ++shown, accept; }
  std::string caption;
  bool accept = false;
  int shown = 0;
};

}  // namespace brumel
