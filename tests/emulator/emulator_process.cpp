#include "emulator/emulator_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>

#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "emulator/pty_line.h"
#include "tools/hex_text.h"

namespace {
bool ReadInfoFile(const std::filesystem::path& path, std::string& pty, std::string& control) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.starts_with("pty ")) pty = line.substr(4);
    if (line.starts_with("control ")) control = line.substr(8);
  }
  return !pty.empty() && !control.empty();
}

int ExitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }
}  // namespace

EmulatorProcess::EmulatorProcess(const std::vector<std::string>& arguments) {
  const std::string infoFile = (folder_.Path() / "info").string();
  std::vector<std::string> words = {SAMV_EMULATOR_PROGRAM, "--info-file", infoFile};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_ = fork();
  if (pid_ == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  for (int i = 0; i < 200 && pid_ > 0; ++i) {
    if (ReadInfoFile(infoFile, ptyPath_, controlAddress_)) return;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
}

EmulatorProcess::~EmulatorProcess() { Terminate(); }

int EmulatorProcess::Terminate() {
  if (pid_ > 0) kill(pid_, SIGTERM);
  return WaitForExit();
}

int EmulatorProcess::WaitForExit() {
  if (pid_ <= 0) return -1;
  int status = 0;
  const pid_t ended = waitpid(pid_, &status, 0);
  pid_ = -1;
  return ended > 0 ? ExitCode(status) : -1;
}

ControlConnection::ControlConnection(const std::string& address) {
  const auto colon = address.rfind(':');
  sockaddr_in peer{};
  peer.sin_family = AF_INET;
  peer.sin_port = htons(static_cast<std::uint16_t>(std::stoi(address.substr(colon + 1))));
  inet_pton(AF_INET, address.substr(0, colon).c_str(), &peer.sin_addr);
  socket_.Reset(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  if (connect(socket_.Get(), reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) socket_.Reset();
  // As long as the emulator's own client waits: a lay encodes the portrait.
  const timeval timeout{60, 0};
  setsockopt(socket_.Get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
}

std::string ControlConnection::Request(const std::string& line) {
  const std::string text = line + "\n";
  if (send(socket_.Get(), text.data(), text.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(text.size())) return "no response";
  for (;;) {
    if (const auto newline = pending_.find('\n'); newline != std::string::npos) {
      std::string response = pending_.substr(0, newline);
      pending_.erase(0, newline + 1);
      return response;
    }
    char chunk[4096];
    const ssize_t n = recv(socket_.Get(), chunk, sizeof chunk, 0);
    if (n <= 0) return "no response";
    pending_.append(chunk, static_cast<std::size_t>(n));
  }
}

HostPort::HostPort(const std::string& path, std::uint32_t speed)
    : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC)) {
  if (fd_.Valid() && !SetSpeed(speed)) fd_.Reset();
}

bool HostPort::SetSpeed(std::uint32_t speed) {
  termios settings{};
  if (tcgetattr(fd_.Get(), &settings) != 0) return false;
  cfmakeraw(&settings);
  return cfsetspeed(&settings, TermiosSpeed(speed)) == 0 && tcsetattr(fd_.Get(), TCSANOW, &settings) == 0;
}

void HostPort::Send(const Bytes& bytes) {
  tcflush(fd_.Get(), TCIFLUSH);  // like the host's purge: nothing stale
  ASSERT_EQ(write(fd_.Get(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

Bytes HostPort::Receive(std::size_t count, std::chrono::milliseconds limit) {
  Bytes received;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (received.size() < count) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd entry{fd_.Get(), POLLIN, 0};
    if (left.count() <= 0 || poll(&entry, 1, static_cast<int>(left.count())) <= 0) break;
    std::uint8_t chunk[2048];
    const ssize_t n = read(fd_.Get(), chunk, std::min(sizeof chunk, count - received.size()));
    if (n > 0) received.insert(received.end(), chunk, chunk + n);
  }
  return received;
}

Bytes HostPort::Exchange(const Bytes& frame, std::chrono::milliseconds quiet) {
  Send(frame);
  Bytes received;
  pollfd entry{fd_.Get(), POLLIN, 0};
  while (poll(&entry, 1, static_cast<int>(quiet.count())) > 0) {
    std::uint8_t chunk[2048];
    const ssize_t n = read(fd_.Get(), chunk, sizeof chunk);
    if (n <= 0) break;
    received.insert(received.end(), chunk, chunk + n);
  }
  return received;
}

Bytes HexBytes(const std::string& text) { return ParseHexBytes(text).value_or(Bytes{}); }

std::string HexText(const Bytes& bytes) { return FormatHexBytes(bytes); }
