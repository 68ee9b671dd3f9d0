#include "emulator/control_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>

int ControlServer::Listen(std::uint16_t port) {
  listener_.Reset(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!listener_.Valid()) return -errno;
  const int reuse = 1;
  setsockopt(listener_.Get(), SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port);
  if (bind(listener_.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return -errno;
  if (listen(listener_.Get(), 16) != 0) return -errno;
  socklen_t length = sizeof address;
  if (getsockname(listener_.Get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) return -errno;
  port_ = ntohs(address.sin_port);
  return 0;
}

void ControlServer::AddPollEntries(std::vector<pollfd>& entries) const {
  entries.push_back({listener_.Get(), POLLIN, 0});
  for (const Client& client : clients_) {
    const short events = static_cast<short>((client.closing ? 0 : POLLIN) | (client.output.empty() ? 0 : POLLOUT));
    entries.push_back({client.socket.Get(), events, 0});
  }
}

void ControlServer::HandlePoll(std::span<const pollfd> entries, const RequestHandler& handler) {
  // Clients accepted now come after the entries polled.
  const bool listenerReady = (entries[0].revents & POLLIN) != 0;
  auto client = clients_.begin();
  for (const pollfd& entry : entries.subspan(1)) {
    if (entry.revents & (POLLIN | POLLHUP | POLLERR)) Read(*client, handler);
    if (!client->output.empty()) Write(*client);
    const bool done = client->closing && client->output.empty();
    client = done ? clients_.erase(client) : std::next(client);
  }
  if (listenerReady) Accept();
}

void ControlServer::Accept() {
  for (;;) {
    const int socket = accept4(listener_.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (socket < 0) return;
    clients_.push_back(Client{UniqueFd(socket), {}, {}, false});
  }
}

void ControlServer::Read(Client& client, const RequestHandler& handler) {
  if (client.closing) return;
  char chunk[4096];
  const ssize_t received = recv(client.socket.Get(), chunk, sizeof chunk, 0);
  if (received < 0 && (errno == EAGAIN || errno == EINTR)) return;
  if (received == 0) {
    client.closing = true;  // no more requests; what is answered still goes out
    return;
  }
  if (received < 0) {
    client.closing = true;
    client.output.clear();
    return;
  }
  client.input.append(chunk, static_cast<std::size_t>(received));
  std::size_t newline;
  while (!client.closing && (newline = client.input.find('\n')) != std::string::npos) {
    const std::string line = client.input.substr(0, newline);
    client.input.erase(0, newline + 1);
    client.output += handler(line) + "\n";
  }
  if (client.input.size() > kLongestRequest) {
    client.output += "error request too long\n";
    client.closing = true;
  }
}

void ControlServer::Write(Client& client) {
  const ssize_t sent = send(client.socket.Get(), client.output.data(), client.output.size(), MSG_NOSIGNAL);
  if (sent > 0) {
    client.output.erase(0, static_cast<std::size_t>(sent));
  } else if (sent < 0 && errno != EAGAIN && errno != EINTR) {
    client.output.clear();
    client.closing = true;
  }
}
