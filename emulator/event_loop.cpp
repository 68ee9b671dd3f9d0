#include "emulator/event_loop.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "emulator/com_link.h"
#include "emulator/control_requests.h"
#include "emulator/control_server.h"
#include "emulator/emulator_session.h"
#include "emulator/pty_line.h"

namespace {
volatile sig_atomic_t stopRequested = 0;

void RequestStop(int) { stopRequested = 1; }

// Blocks SIGINT and SIGTERM except inside ppoll, so a signal can never
// slip in between the check of the flag and the wait.
sigset_t CatchStopSignals() {
  struct sigaction action{};
  action.sa_handler = RequestStop;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);
  sigset_t stopSignals, waitMask;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
  sigdelset(&waitMask, SIGINT);
  sigdelset(&waitMask, SIGTERM);
  return waitMask;
}

// Written under a temporary name and renamed, so a reader of the file sees
// all of it or nothing.
bool WriteInfoFile(const std::string& path, const std::string& text) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!(out << text) || !out.flush()) return false;
  }
  if (std::rename(temporary.c_str(), path.c_str()) == 0) return true;
  std::remove(temporary.c_str());
  return false;
}

void ReadLine(int masterFd, EmulatorSession& session) {
  std::uint8_t chunk[4096];
  for (;;) {
    const ssize_t received = read(masterFd, chunk, sizeof chunk);
    if (received <= 0) return;
    session.OnLineBytes({chunk, static_cast<std::size_t>(received)}, LineWriter::Clock::now());
  }
}

int Serve(const PtyLine& line, ControlServer& server, EmulatorSession& session, const sigset_t& waitMask) {
  bool quit = false;
  const ControlServer::RequestHandler handler = [&](std::string_view request) {
    ControlReply reply = HandleControlRequest(session, request);
    quit = quit || reply.quit;
    return reply.line;
  };
  std::vector<pollfd> entries;
  while (!quit && !stopRequested) {
    entries.clear();
    entries.push_back({line.MasterFd(), static_cast<short>(POLLIN | (session.LineBlocked() ? POLLOUT : 0)), 0});
    server.AddPollEntries(entries);
    const int wait = session.MillisecondsToTimer(LineWriter::Clock::now());
    timespec timeout{wait / 1000, (wait % 1000) * 1000000L};
    if (ppoll(entries.data(), entries.size(), wait < 0 ? nullptr : &timeout, &waitMask) < 0) {
      if (errno == EINTR) continue;
      std::fprintf(stderr, "samv-emulator: poll failed: %s\n", std::strerror(errno));
      return 1;
    }
    if (entries[0].revents & POLLIN) ReadLine(line.MasterFd(), session);
    session.OnTimer(LineWriter::Clock::now());
    server.HandlePoll(std::span(entries).subspan(1), handler);
  }
  return 0;
}
}  // namespace

int RunEmulator(const EmulatorOptions& options) {
  const sigset_t waitMask = CatchStopSignals();
  PtyLine line;
  if (const int error = line.Open(options.speed); error != 0) {
    std::fprintf(stderr, "samv-emulator: cannot open a pseudo-terminal: %s\n", std::strerror(-error));
    return 1;
  }
  ControlServer server;
  if (const int error = server.Listen(options.controlPort); error != 0) {
    std::fprintf(stderr, "samv-emulator: cannot listen for control: %s\n", std::strerror(-error));
    return 1;
  }
  ComLink comLink;
  if (options.linkCom != 0 && comLink.Attach(options.winePrefix, options.linkCom, line.SlavePath()) != kComLinkOk) {
    std::fprintf(stderr, "samv-emulator: cannot link com%d of %s\n", options.linkCom, options.winePrefix.c_str());
    return 1;
  }
  const std::string info = "pty " + line.SlavePath() + "\ncontrol 127.0.0.1:" + std::to_string(server.Port()) + "\n";
  std::fputs(info.c_str(), stdout);
  std::fflush(stdout);
  if (!options.infoFile.empty() && !WriteInfoFile(options.infoFile, info)) {
    std::fprintf(stderr, "samv-emulator: cannot write %s\n", options.infoFile.c_str());
    return 1;
  }
  EmulatorSession session(line, comLink, options.speed, options.pace);
  return Serve(line, server, session, waitMask);
}
