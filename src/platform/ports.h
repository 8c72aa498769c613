// The ways the core talks to a person. The window implements them with real dialogs and
// message boxes, brumel-batch with stderr, the tests with scripted fakes.
#pragma once

#include <string>
#include <vector>

namespace brumel {

// The two message boxes: both carry the application title and one OK button.
class MessagePort {
 public:
  virtual ~MessagePort() = default;
  // The information box: no icon.
  virtual void ShowInformation(const std::string& text) = 0;
  // The error box: a stop icon; the implementation applies ErrorBoxText to the text.
  virtual void ShowError(const std::string& text) = 0;
  // A picture that was read only in part, and what is missing from it; true when the caller
  // takes such a picture. The batch does, and names the input as damaged. The window doesn't:
  // it shows a JPEG as far as it goes, as the library always gave it, and the readers that
  // refuse a damaged file (PNG) go on refusing it there.
  virtual bool NoteDamage(const std::string& /*missing*/) { return false; }
};

// The file-open dialog: true when confirmed, with the chosen files in the order given.
class OpenDialogPort {
 public:
  virtual ~OpenDialogPort() = default;
  virtual bool Execute() = 0;
  virtual std::vector<std::string> Files() const = 0;
};

// The file-save dialog; it keeps its file name and filter from one use to the next.
class SaveDialogPort {
 public:
  virtual ~SaveDialogPort() = default;
  virtual bool Execute() = 0;
  virtual std::string FileName() const = 0;
  virtual void SetFileName(const std::string& name) = 0;
  // The chosen filter, counted from 1.
  virtual int FilterIndex() const = 0;
};

// The update check's offer dialog: its texts, and a modal run that is true for "Load Update".
class OfferDialogPort {
 public:
  virtual ~OfferDialogPort() = default;
  virtual void SetCaption(const std::string& text) = 0;
  virtual void SetUpperLine(const std::string& text) = 0;
  virtual void SetLowerLine(const std::string& text) = 0;
  virtual bool ShowModal() = 0;
};

}  // namespace brumel
