// The card polling loop: a worker thread that connects to the reader, finds
// and reads each card laid on it, hands it to the main window, checks the
// blacklist, stores the read and archives the photo. It reports to the
// window only by posted messages; the window answers the two messages that
// carry a card with TakeCardInfo.
#pragma once

#include <windows.h>

#include "card/card_info.h"

// wParam: one of CardStatusKind; lParam: the status for kStatusChanged, the
// read's sequence number for the kinds about one read, the number of reads
// waiting for kReadsWaiting.
inline constexpr UINT WM_CARD_STATUS = WM_APP;
// The shared card and the photo bitmap are complete; wParam: the read's
// sequence number. Every read gets a new one, so a window that answers
// late can tell an announcement of an older read from the shared one.
// lParam: kBlacklistUnchecked when the blacklist could not be read for the
// card (nobody can tell yet whether the person is listed), else 0. The
// loop then asks again for a while and sends kBlacklistHit with the read's
// number when the answer comes and it is a hit.
inline constexpr UINT WM_CARD_READ = WM_APP + 1;
inline constexpr LPARAM kBlacklistUnchecked = 1;

enum CardStatusKind : WPARAM {
  kStatusChanged = 0,
  kCardFound = 1,
  kBlacklistHit = 2,
  kNewAddressAdded = 3,
  // The number of reads that could not be stored yet changed.
  kReadsWaiting = 4,
  // A read whose blacklist check had failed was checked again: not listed.
  kBlacklistCleared = 5,
};

// The status of a pass whose read was not stored.
inline constexpr int kStatusNotStored = 247;
// How long the thread waits for the window to take a card.
inline constexpr DWORD kHandshakeTimeoutMs = 2000;

// The thread procedure; its argument is the main window's handle.
DWORD WINAPI CardPollThread(LPVOID window);
// Sets the run flag; clearing it also wakes a thread waiting for the window.
void SetPollRunning(int run);
// Copies the shared card into destination and tells the thread it was taken.
void TakeCardInfo(CardInfo& destination);
// Copies the shared read into destination when it is the read numbered
// sequence, and its photo to the file photoCopy (deleted when the read has
// none; null: no photo wanted), then tells the thread it was taken. False,
// with nothing copied, when the shared read is a newer one: the message
// that announced sequence came too late and is to be dropped.
bool TakeCardRead(unsigned sequence, CardInfo& destination, const wchar_t* photoCopy);
// The status strip in client coordinates, invalidated for status reports.
void SetStatusRect(const RECT& rectangle);

// What the loop does to beep after a read when Sound is on: the speaker by
// default. The diagnostics tool reports the beep instead; null restores
// the speaker. Set only while no polling thread runs.
using ReadBeep = void (*)();
void SetReadBeep(ReadBeep beep);
