#include "message_capture.h"

#include "common/message_box.h"

ScopedMessageCapture::ScopedMessageCapture() {
  SetMessageBoxHandler([this](HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
    messages_.push_back({owner, text, caption, type});
    return IDOK;
  });
}

ScopedMessageCapture::~ScopedMessageCapture() { SetMessageBoxHandler({}); }

std::vector<std::wstring> ScopedMessageCapture::Texts() const {
  std::vector<std::wstring> texts;
  for (const CapturedMessage& message : messages_) texts.push_back(message.text);
  return texts;
}
