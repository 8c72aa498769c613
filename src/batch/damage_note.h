// The port each input of a batch is read through: it passes the readers' messages on and keeps
// what a picture read only in part is missing, so that the batch writes it and names it.
#pragma once

#include <string>

#include "platform/ports.h"

namespace brumel {

class DamageNote : public MessagePort {
 public:
  explicit DamageNote(MessagePort& messages) : messages_(messages) {}

  void ShowInformation(const std::string& text) override { messages_.ShowInformation(text); }
  void ShowError(const std::string& text) override { messages_.ShowError(text); }
  bool NoteDamage(const std::string& missing) override {
    missing_ = missing;
    return true;
  }

  // Empty unless the picture was read only in part.
  const std::string& Missing() const { return missing_; }

 private:
  MessagePort& messages_;
  std::string missing_;
};

}  // namespace brumel
