// Message tables: each dialog class lists which window messages, command
// ids and control notifications go to which of its member functions. A
// class's table names its base class's table, and lookup walks from the
// most derived table to the framework's own, so the first match wins and a
// derived class can take over a message of its base.
//
// A table is built from constexpr helpers, for example
//   static constexpr MessageEntry kEntries[] = {
//       OnCommand<IDC_PRINT, &CMyDlg::OnPrint>(),
//       OnMessage<WM_TIMER, &CMyDlg::OnTimer>(),
//   };
// Handler signatures:
//   OnMessage, OnMessageThenDefault   LRESULT (WPARAM, LPARAM)
//   OnCommand, OnControl              void ()
//   OnCommandRange                    void (UINT id)
//   OnNotify, OnNotifyRange           LRESULT (NMHDR*)
#pragma once

#include <windows.h>

#include <span>

class CDialog;

struct MessageEntry {
  enum class Kind : unsigned char { kMessage, kCommand, kNotify };
  using Invoker = LRESULT (*)(CDialog& dialog, WPARAM wParam, LPARAM lParam);

  Kind kind;
  // The window message, the WM_COMMAND notification code (0 for menus,
  // accelerators and button clicks) or the WM_NOTIFY code.
  UINT code;
  // Control or command ids covered, inclusive; unused for plain messages.
  UINT firstId;
  UINT lastId;
  // After the handler, the dialog's default processing runs as well.
  bool thenDefault;
  Invoker invoke;
};

struct MessageTable {
  const MessageTable* base;
  std::span<const MessageEntry> entries;
};

namespace message_table_detail {

template <class Member>
struct OwnerOf;
template <class Owner, class Result, class... Args>
struct OwnerOf<Result (Owner::*)(Args...)> {
  using type = Owner;
};

// The class whose member function `handler` is; handlers are always called
// on a dialog of that class, since only its table (or a derived one) names them.
template <auto handler>
typename OwnerOf<decltype(handler)>::type& Owner(CDialog& dialog) {
  return static_cast<typename OwnerOf<decltype(handler)>::type&>(dialog);
}

template <auto handler>
constexpr MessageEntry MessageRow(UINT message, bool thenDefault) {
  return {MessageEntry::Kind::kMessage, message, 0, 0, thenDefault,
          [](CDialog& dialog, WPARAM wParam, LPARAM lParam) -> LRESULT {
            return (Owner<handler>(dialog).*handler)(wParam, lParam);
          }};
}

}  // namespace message_table_detail

template <UINT message, auto handler>
constexpr MessageEntry OnMessage() {
  return message_table_detail::MessageRow<handler>(message, false);
}

// For messages whose default processing must still happen (WM_SYSCOMMAND,
// for one); the handler's result is then not used.
template <UINT message, auto handler>
constexpr MessageEntry OnMessageThenDefault() {
  return message_table_detail::MessageRow<handler>(message, true);
}

template <UINT notifyCode, UINT id, auto handler>
constexpr MessageEntry OnControl() {
  return {MessageEntry::Kind::kCommand, notifyCode, id, id, false,
          [](CDialog& dialog, WPARAM, LPARAM) -> LRESULT {
            (message_table_detail::Owner<handler>(dialog).*handler)();
            return 0;
          }};
}

// A menu item, an accelerator or a button click.
template <UINT id, auto handler>
constexpr MessageEntry OnCommand() {
  return OnControl<0, id, handler>();
}

template <UINT firstId, UINT lastId, auto handler>
constexpr MessageEntry OnCommandRange() {
  static_assert(firstId <= lastId);
  return {MessageEntry::Kind::kCommand, 0, firstId, lastId, false,
          [](CDialog& dialog, WPARAM wParam, LPARAM) -> LRESULT {
            (message_table_detail::Owner<handler>(dialog).*handler)(LOWORD(wParam));
            return 0;
          }};
}

template <UINT notifyCode, UINT firstId, UINT lastId, auto handler>
constexpr MessageEntry OnNotifyRange() {
  static_assert(firstId <= lastId);
  return {MessageEntry::Kind::kNotify, notifyCode, firstId, lastId, false,
          [](CDialog& dialog, WPARAM, LPARAM lParam) -> LRESULT {
            return (message_table_detail::Owner<handler>(dialog).*handler)(reinterpret_cast<NMHDR*>(lParam));
          }};
}

template <UINT notifyCode, UINT id, auto handler>
constexpr MessageEntry OnNotify() {
  return OnNotifyRange<notifyCode, id, id, handler>();
}
