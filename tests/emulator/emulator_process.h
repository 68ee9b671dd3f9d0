// The emulator as a child process, with the two ends a host has: the
// pseudo-terminal as its serial port and the control channel.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "emulator/scratch_folder.h"
#include "emulator/unique_fd.h"

using Bytes = std::vector<std::uint8_t>;

class EmulatorProcess {
 public:
  // Starts the emulator with these extra arguments and waits for its info file.
  explicit EmulatorProcess(const std::vector<std::string>& arguments = {});
  // Ends it with SIGTERM if it still runs.
  ~EmulatorProcess();

  bool Started() const { return !ptyPath_.empty() && !controlAddress_.empty(); }
  const std::string& PtyPath() const { return ptyPath_; }
  const std::string& ControlAddress() const { return controlAddress_; }
  // Sends SIGTERM and returns the exit code, or -1.
  int Terminate();
  // Waits for the process to end by itself and returns the exit code, or -1.
  int WaitForExit();

 private:
  ScratchFolder folder_;
  pid_t pid_ = -1;
  std::string ptyPath_;
  std::string controlAddress_;
};

// A connection to the control channel.
class ControlConnection {
 public:
  explicit ControlConnection(const std::string& address);
  bool Connected() const { return socket_.Valid(); }
  // One request line; the response line, or "no response".
  std::string Request(const std::string& line);

 private:
  UniqueFd socket_;
  std::string pending_;
};

// The host's end of the line: the slave, raw, at a speed of its choice.
class HostPort {
 public:
  HostPort(const std::string& path, std::uint32_t speed);
  bool Open() const { return fd_.Valid(); }
  bool SetSpeed(std::uint32_t speed);
  void Send(const Bytes& bytes);
  // Reads until count bytes arrived or the time is up.
  Bytes Receive(std::size_t count, std::chrono::milliseconds limit = std::chrono::milliseconds(2000));
  // Sends a frame and takes whatever comes back until the line is quiet
  // for the given time.
  Bytes Exchange(const Bytes& frame, std::chrono::milliseconds quiet = std::chrono::milliseconds(100));

 private:
  UniqueFd fd_;
};

Bytes HexBytes(const std::string& text);
std::string HexText(const Bytes& bytes);
