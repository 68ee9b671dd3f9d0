// Collects the texts of message boxes instead of showing them, for the life
// of the object, so that no test waits for a person to press OK.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct CapturedMessage {
  HWND owner;
  std::wstring text;
  std::wstring caption;
  UINT type;
};

class ScopedMessageCapture {
 public:
  ScopedMessageCapture();
  ~ScopedMessageCapture();
  ScopedMessageCapture(const ScopedMessageCapture&) = delete;
  ScopedMessageCapture& operator=(const ScopedMessageCapture&) = delete;

  const std::vector<CapturedMessage>& Messages() const { return messages_; }
  // The texts alone, in the order shown.
  std::vector<std::wstring> Texts() const;

 private:
  std::vector<CapturedMessage> messages_;
};
