// The test side of the reader emulator's control channel: lay and lift
// cards, inject faults, read the emulator's log of received frames.
#pragma once

#include <string>

class EmulatorControl {
 public:
  // Connects to the address in SAMV_CONTROL; Connected() tells whether it worked.
  EmulatorControl();
  ~EmulatorControl();
  EmulatorControl(const EmulatorControl&) = delete;
  EmulatorControl& operator=(const EmulatorControl&) = delete;

  bool Connected() const;
  // Sends one request line and returns the response line ("ok ..." or "error ...").
  std::string Request(const std::string& line);
  // The text after "ok ", or "error" when the request failed.
  std::string Value(const std::string& line);

 private:
  unsigned long long socket_;
};

// The COM port number the emulator is linked to (SAMV_COM), or 0.
int EmulatorComPort();
