// The requests of the control channel, one text line each, answered with
// one line that starts with "ok" or "error <reason>":
//
//   lay [PATH]          lay the card of a card file, or the built-in card
//   lift                take the card away
//   state               ok none|present|halted
//   fault NAME [ARGS] [count=N]
//                       silence, preamble, checksum, length-short,
//                       length-long, truncate, status CMD PARA SW3 (hex),
//                       late MS (answers MS milliseconds after the
//                       command), unplug; without count until clear-faults
//   plug                undo unplug
//   clear-faults        every fault and a pending reply gone, plugged in
//   reply HEX           the next response is exactly these bytes
//   speed               ok <the reader's speed>
//   set-speed N         change the reader's speed
//   host-speed          ok <the speed the host set on the line>
//   log                 ok and the received frames in hex, space separated
//   clear-log           empty the log
//   quit                ok, then the emulator ends
#pragma once

#include <string>
#include <string_view>

#include "emulator/emulator_session.h"

struct ControlReply {
  std::string line;
  bool quit = false;
};

ControlReply HandleControlRequest(EmulatorSession& session, std::string_view request);
