// Parsing and formatting of socket endpoint texts.
#include "Endpoint.h"

#include <cctype>

#include "SocketApi.h"

namespace quorvex::link {
namespace {

constexpr const char kTcpPrefix[] = "tcp://";
constexpr const char kUnixPrefix[] = "unix:";

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

bool ValidPort(const std::string& port) {
    if (port.empty() || port.size() > 5) return false;
    for (char c : port) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    return std::stoul(port) <= 65535;
}

}  // namespace

bool ParseEndpoint(const std::string& text, Endpoint* endpoint, std::string* error) {
    if (StartsWith(text, kUnixPrefix)) {
        endpoint->kind = Endpoint::Kind::kUnix;
        endpoint->path = text.substr(std::char_traits<char>::length(kUnixPrefix));
        if (endpoint->path.empty()) {
            *error = text + ": no socket path";
            return false;
        }
        if (endpoint->path.size() > sys::kUnixPathMax) {
            *error =
                text + ": socket path longer than " + std::to_string(sys::kUnixPathMax) + " bytes";
            return false;
        }
        return true;
    }
    if (!StartsWith(text, kTcpPrefix)) {
        *error = text + ": not a socket endpoint (tcp://HOST:PORT or unix:PATH)";
        return false;
    }
    endpoint->kind = Endpoint::Kind::kTcp;
    const std::string rest = text.substr(std::char_traits<char>::length(kTcpPrefix));
    const std::size_t colon = rest.rfind(':');
    std::string host = colon == std::string::npos ? std::string() : rest.substr(0, colon);
    endpoint->port = colon == std::string::npos ? rest : rest.substr(colon + 1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    } else if (host.find(':') != std::string::npos) {
        *error = text + ": an IPv6 address must be written in brackets";
        return false;
    }
    // "tcp://[[]]:1" would name a host "[]" that reads back as no host at all.
    if (host.find_first_of("[]") != std::string::npos) {
        *error = text + ": brackets may only enclose a whole IPv6 address";
        return false;
    }
    endpoint->host = host.empty() ? kDefaultHost : host;
    if (!ValidPort(endpoint->port)) {
        *error = text + ": port must be a number from 0 to 65535";
        return false;
    }
    return true;
}

std::string FormatEndpoint(const Endpoint& endpoint) {
    if (endpoint.kind == Endpoint::Kind::kUnix) return kUnixPrefix + endpoint.path;
    const bool v6 = endpoint.host.find(':') != std::string::npos;
    return kTcpPrefix + (v6 ? "[" + endpoint.host + "]" : endpoint.host) + ":" + endpoint.port;
}

}  // namespace quorvex::link
