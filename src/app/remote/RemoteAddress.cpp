#include "app/remote/RemoteAddress.h"

#include <charconv>

#include "core/text/PathText.h"

namespace raumfuchs {

namespace {

bool isWord(std::string_view text) {
    if (text.empty() || text.front() == '-') {
        return false;
    }
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte == 0x7f || c == '@' || c == '/' || c == '\'' || c == '"') {
            return false;
        }
    }
    return true;
}

std::optional<int> parsePort(std::string_view text) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (error != std::errc() || end != text.data() + text.size() || port < 1 || port > 65535) {
        return std::nullopt;
    }
    return port;
}

std::optional<std::string> percentDecoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        const int value =
            i + 2 < text.size() && PathText::hexDigitValue(text[i + 1]) >= 0 &&
                    PathText::hexDigitValue(text[i + 2]) >= 0
                ? PathText::hexDigitValue(text[i + 1]) * 16 + PathText::hexDigitValue(text[i + 2])
                : 0;
        if (value == 0) {
            return std::nullopt;  // no byte, or one that no path can hold
        }
        out += static_cast<char>(value);
        i += 2;
    }
    return out;
}

}  // namespace

std::string RemoteAddress::label() const {
    const std::string shownHost = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    return user.empty() ? shownHost : user + "@" + shownHost;
}

std::string RemoteAddress::origin(const std::string& path) const {
    return label() + ":" + path;
}

std::optional<RemoteAddress> parseRemoteHost(std::string_view text) {
    RemoteAddress address;
    if (const std::size_t at = text.rfind('@'); at != std::string_view::npos) {
        address.user = std::string(text.substr(0, at));
        text = text.substr(at + 1);
        if (!isWord(address.user)) {
            return std::nullopt;
        }
    }
    std::string_view host = text;
    std::string_view port;
    if (text.starts_with('[')) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        host = text.substr(1, close - 1);
        const std::string_view rest = text.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':')) {
            return std::nullopt;
        }
        port = rest.empty() ? rest : rest.substr(1);
        if (!rest.empty() && port.empty()) {
            return std::nullopt;
        }
    } else if (const std::size_t colon = text.find(':');
               colon != std::string_view::npos &&
               text.find(':', colon + 1) == std::string_view::npos) {
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (port.empty()) {
            return std::nullopt;
        }
    }  // more than one colon and no brackets: an IPv6 address
    if (!isWord(host)) {
        return std::nullopt;
    }
    address.host = std::string(host);
    if (!port.empty()) {
        const std::optional<int> number = parsePort(port);
        if (!number) {
            return std::nullopt;
        }
        address.port = *number;
    }
    return address;
}

bool isRemotePath(std::string_view path) {
    return path.starts_with('/') || path == "~" || path.starts_with("~/");
}

std::optional<std::pair<RemoteAddress, std::string>> parseSshUrl(std::string_view url) {
    constexpr std::string_view scheme = "ssh://";
    if (!url.starts_with(scheme)) {
        return std::nullopt;
    }
    url.remove_prefix(scheme.size());
    const std::size_t slash = url.find('/');
    const std::optional<RemoteAddress> address = parseRemoteHost(url.substr(0, slash));
    const std::optional<std::string> path =
        percentDecoded(slash == std::string_view::npos ? "/" : url.substr(slash));
    if (!address || !path) {
        return std::nullopt;
    }
    return std::pair{*address, *path};
}

}  // namespace raumfuchs
