// The query window as the query benchmarks drive it: timed from the call
// that shows it to the end of its initialisation (columns, layout, time
// range and month tree), then the benchmark's work runs inside its modal
// loop and the window closes.
#pragma once

#include <windows.h>

#include <functional>

#include "bench/bench_clock.h"
#include "query_tool/pellory_dlg.h"

class TimedQueryWindow : public CPelloryDlg {
 public:
  double shownAt = 0;
  double openMs = -1;
  bool worked = false;
  // Runs as the initialisation ends, to take what it cost beside the time.
  std::function<void()> opened;
  std::function<void(TimedQueryWindow&)> work;

 protected:
  BOOL OnInitDialog() override {
    const BOOL result = CPelloryDlg::OnInitDialog();
    openMs = NowMs() - shownAt;
    if (opened) opened();
    s_pending = this;
    SetTimer(nullptr, 0, 0, RunWork);
    return result;
  }

 private:
  static void CALLBACK RunWork(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    TimedQueryWindow* window = s_pending;
    if (window->work) window->work(*window);
    window->worked = true;
    window->EndDialog(IDCANCEL);
  }
  static inline TimedQueryWindow* s_pending = nullptr;
};
