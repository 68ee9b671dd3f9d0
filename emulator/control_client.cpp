#include "emulator/control_client.h"

#include <netdb.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cstdio>
#include <memory>

#include "emulator/unique_fd.h"

namespace {
constexpr int kExitError = 1;
constexpr int kExitUnreachable = 2;
// The longest the emulator takes for an answer. Laying a card with a
// portrait encodes it first, which takes seconds in a sanitizer build on a
// busy machine.
constexpr timeval kResponseTimeout{60, 0};

UniqueFd ConnectTo(const std::string& address) {
  const auto colon = address.rfind(':');
  if (colon == std::string::npos) return {};
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(address.substr(0, colon).c_str(), address.substr(colon + 1).c_str(), &hints, &found) != 0) return {};
  const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owner(found, freeaddrinfo);
  for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
    UniqueFd socket(::socket(entry->ai_family, entry->ai_socktype | SOCK_CLOEXEC, entry->ai_protocol));
    if (socket.Valid() && connect(socket.Get(), entry->ai_addr, entry->ai_addrlen) == 0) return socket;
  }
  return {};
}

bool SendAll(int socket, const std::string& text) {
  std::size_t sent = 0;
  while (sent < text.size()) {
    const ssize_t n = send(socket, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

bool ReceiveLine(int socket, std::string& line) {
  char chunk[4096];
  for (;;) {
    const ssize_t n = recv(socket, chunk, sizeof chunk, 0);
    if (n <= 0) return false;
    line.append(chunk, static_cast<std::size_t>(n));
    if (const auto newline = line.find('\n'); newline != std::string::npos) {
      line.resize(newline);
      return true;
    }
  }
}
}  // namespace

int RunControlClient(const std::string& address, std::span<char* const> requestWords) {
  if (requestWords.empty()) {
    std::fputs("samv-emulator ctl: no request\n", stderr);
    return kExitUnreachable;
  }
  std::string request;
  for (const char* word : requestWords) request += (request.empty() ? "" : " ") + std::string(word);
  const UniqueFd socket = ConnectTo(address);
  if (!socket.Valid()) {
    std::fprintf(stderr, "samv-emulator ctl: cannot connect to %s\n", address.c_str());
    return kExitUnreachable;
  }
  setsockopt(socket.Get(), SOL_SOCKET, SO_RCVTIMEO, &kResponseTimeout, sizeof kResponseTimeout);
  std::string response;
  if (!SendAll(socket.Get(), request + "\n") || !ReceiveLine(socket.Get(), response)) {
    std::fputs("samv-emulator ctl: no response\n", stderr);
    return kExitUnreachable;
  }
  std::printf("%s\n", response.c_str());
  return response == "ok" || response.starts_with("ok ") ? 0 : kExitError;
}
