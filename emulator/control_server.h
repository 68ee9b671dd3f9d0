// The control channel's listening socket and its clients: TCP on
// 127.0.0.1, one request per line, one response line each. Any number of
// clients, one after the other or at once, each with many requests.
#pragma once

#include <poll.h>

#include <cstdint>
#include <functional>
#include <list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "emulator/unique_fd.h"

class ControlServer {
 public:
  // Takes a request line and returns the response line (without newline).
  using RequestHandler = std::function<std::string(std::string_view)>;
  // A request line longer than this closes the connection.
  static constexpr std::size_t kLongestRequest = 64 * 1024;

  // Listens on 127.0.0.1:port (0: the system picks). 0 or -errno.
  int Listen(std::uint16_t port);
  std::uint16_t Port() const { return port_; }

  // Appends the descriptors to poll; HandlePoll gets back the same entries.
  void AddPollEntries(std::vector<pollfd>& entries) const;
  void HandlePoll(std::span<const pollfd> entries, const RequestHandler& handler);

 private:
  struct Client {
    UniqueFd socket;
    std::string input;
    std::string output;
    bool closing = false;  // close once output is sent
  };
  void Accept();
  static void Read(Client& client, const RequestHandler& handler);
  static void Write(Client& client);

  UniqueFd listener_;
  std::uint16_t port_ = 0;
  std::list<Client> clients_;
};
