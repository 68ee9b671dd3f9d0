#include "emulator_control.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstdlib>

namespace {
struct WinsockSession {
  WinsockSession() {
    WSADATA data;
    started = WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  ~WinsockSession() {
    if (started) WSACleanup();
  }
  bool started = false;
};

SOCKET ConnectTo(const std::string& address) {
  const auto colon = address.rfind(':');
  if (colon == std::string::npos) return INVALID_SOCKET;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(address.substr(0, colon).c_str(), address.substr(colon + 1).c_str(), &hints, &found) != 0) {
    return INVALID_SOCKET;
  }
  SOCKET s = socket(found->ai_family, found->ai_socktype, found->ai_protocol);
  if (s != INVALID_SOCKET && connect(s, found->ai_addr, static_cast<int>(found->ai_addrlen)) != 0) {
    closesocket(s);
    s = INVALID_SOCKET;
  }
  freeaddrinfo(found);
  return s;
}

WinsockSession& Session() {
  static WinsockSession session;
  return session;
}
}  // namespace

EmulatorControl::EmulatorControl() : socket_(INVALID_SOCKET) {
  const char* address = std::getenv("SAMV_CONTROL");
  if (Session().started && address != nullptr) socket_ = ConnectTo(address);
}

EmulatorControl::~EmulatorControl() {
  if (socket_ != INVALID_SOCKET) closesocket(static_cast<SOCKET>(socket_));
}

bool EmulatorControl::Connected() const { return socket_ != INVALID_SOCKET; }

std::string EmulatorControl::Request(const std::string& line) {
  if (!Connected()) return "error not connected";
  const std::string request = line + "\n";
  if (send(static_cast<SOCKET>(socket_), request.data(), static_cast<int>(request.size()), 0) != static_cast<int>(request.size())) {
    return "error send failed";
  }
  std::string response;
  char c = 0;
  while (recv(static_cast<SOCKET>(socket_), &c, 1, 0) == 1 && c != '\n') response += c;
  if (!response.empty() && response.back() == '\r') response.pop_back();
  return response;
}

std::string EmulatorControl::Value(const std::string& line) {
  const std::string response = Request(line);
  if (response.rfind("ok", 0) != 0) return "error";
  return response.size() > 3 ? response.substr(3) : std::string();
}

int EmulatorComPort() {
  const char* com = std::getenv("SAMV_COM");
  return com == nullptr ? 0 : std::atoi(com);
}
