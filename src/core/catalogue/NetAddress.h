#pragma once

#include <optional>
#include <string>
#include <string_view>

struct sockaddr;

// Which network an address belongs to, and where a redirect of a catalogue
// download may lead: a server on the internet must not send the program to
// this machine or to the networks behind it.

namespace pelmo {

enum class TAddressKind {
    Public,
    Loopback,     // 127.0.0.0/8, ::1
    LinkLocal,    // 169.254.0.0/16, fe80::/10
    Private,      // 10/8, 172.16/12, 192.168/16, 100.64/10 (carrier NAT), fc00::/7, fec0::/10
    Unspecified,  // 0.0.0.0/8, ::
    Reserved,     // multicast, broadcast and 240.0.0.0/4
};

inline bool IsPublicAddress(TAddressKind kind) { return kind == TAddressKind::Public; }

// An IPv4 or IPv6 socket address. IPv6 addresses that carry an IPv4 one
// (mapped, compatible, NAT64, 6to4) are judged by the IPv4 address.
TAddressKind ClassifyAddress(const sockaddr& address);

// A numeric host as it stands in a URL: IPv4 in any form the network
// libraries accept ("127.0.0.1", "127.1", "0x7f.1", "2130706433"), IPv6
// with or without brackets. nullopt for a host name.
std::optional<TAddressKind> ClassifyHostLiteral(std::string_view host);

// The host of an http or https URL, lower-cased, without user, port and
// IPv6 brackets; "" when there is none.
std::string UrlHost(std::string_view url);

// The most redirects one download follows.
inline constexpr int MaxRedirectHops = 5;

enum class TRedirectVerdict {
    Follow,
    TooMany,    // past MaxRedirectHops (or the download's own lower limit)
    NotHttp,    // only http and https are followed
    NotPublic,  // a local or private address, when only public ones may be reached
};

// Whether the `hop`-th redirect (1 for the first) of a download may go to
// `target`. With `publicOnly` the target may not be a numeric local or
// private address, nor "localhost"; a host name is judged again by the
// address it is reached at (ClassifyAddress).
TRedirectVerdict JudgeRedirect(int hop, int maxHops, std::string_view target, bool publicOnly);

// Whether the environment names a proxy for the URL's scheme (as libcurl
// reads it). Then the program connects to the proxy, and only the proxy
// knows the address of the server.
bool ProxyInEnvironment(std::string_view url);

}  // namespace pelmo
