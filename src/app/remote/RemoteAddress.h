#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace raumfuchs {

// Another machine as ssh reaches it: an alias of ~/.ssh/config, a host name or
// an address, with the user and port where given (else ssh's configuration
// decides).
struct RemoteAddress {
    std::string user;  // empty: ssh's choice
    std::string host;  // an IPv6 address without its brackets
    int port = 0;      // 0: ssh's choice

    // "[user@]host", as messages name the machine.
    std::string label() const;
    // Where a scan of `path` there came from: "[user@]host:path".
    std::string origin(const std::string& path) const;
    friend bool operator==(const RemoteAddress&, const RemoteAddress&) = default;
};

// "alias", "user@host", "host:2222", "user@[::1]:2222", "::1". Nothing for
// what ssh would take for an option or another word (a leading "-", blanks,
// control characters), an empty user or host, or a port outside 1…65535.
std::optional<RemoteAddress> parseRemoteHost(std::string_view text);

// A folder there: absolute, or the home folder ("~", "~/…").
bool isRemotePath(std::string_view path);

// "ssh://[user@]host[:port]/path": the machine and the path ("%20" and the
// like decoded); nothing when it is not such an address.
std::optional<std::pair<RemoteAddress, std::string>> parseSshUrl(std::string_view url);

}  // namespace raumfuchs
