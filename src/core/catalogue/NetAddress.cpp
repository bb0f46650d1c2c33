#include "catalogue/NetAddress.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/Text.h"

namespace pelmo {

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view head) {
    return text.size() >= head.size() && SameTextIgnoringCase(text.substr(0, head.size()), head);
}

// An IPv4 address in host byte order.
TAddressKind ClassifyV4(std::uint32_t a) {
    const auto in = [a](std::uint32_t net, int bits) { return (a >> (32 - bits)) == (net >> (32 - bits)); };
    if (in(0x7f000000, 8)) return TAddressKind::Loopback;
    if (in(0xa9fe0000, 16)) return TAddressKind::LinkLocal;
    if (in(0x0a000000, 8) || in(0xac100000, 12) || in(0xc0a80000, 16) || in(0x64400000, 10))
        return TAddressKind::Private;
    if (in(0x00000000, 8)) return TAddressKind::Unspecified;
    if (in(0xe0000000, 4) || in(0xf0000000, 4)) return TAddressKind::Reserved;  // multicast, 240/4 and broadcast
    return TAddressKind::Public;
}

std::uint32_t V4At(const unsigned char* b) {
    return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

TAddressKind ClassifyV6(const unsigned char* b) {
    static const unsigned char zeros[16] = {};
    const bool firstTenZero = std::memcmp(b, zeros, 10) == 0;
    if (std::memcmp(b, zeros, 16) == 0) return TAddressKind::Unspecified;
    if (std::memcmp(b, zeros, 15) == 0 && b[15] == 1) return TAddressKind::Loopback;
    // ::ffff:a.b.c.d (mapped) and ::a.b.c.d (compatible)
    if (firstTenZero && ((b[10] == 0xff && b[11] == 0xff) || (b[10] == 0 && b[11] == 0)))
        return ClassifyV4(V4At(b + 12));
    // 64:ff9b::a.b.c.d (NAT64)
    static const unsigned char nat64[12] = {0, 0x64, 0xff, 0x9b};
    if (std::memcmp(b, nat64, 12) == 0) return ClassifyV4(V4At(b + 12));
    // 2002:aabb:ccdd::/48 (6to4)
    if (b[0] == 0x20 && b[1] == 0x02) return ClassifyV4(V4At(b + 2));
    if (b[0] == 0xfe && (b[1] & 0xc0) == 0x80) return TAddressKind::LinkLocal;
    if ((b[0] & 0xfe) == 0xfc || (b[0] == 0xfe && (b[1] & 0xc0) == 0xc0)) return TAddressKind::Private;
    if (b[0] == 0xff) return TAddressKind::Reserved;  // multicast
    return TAddressKind::Public;
}

}  // namespace

TAddressKind ClassifyAddress(const sockaddr& address) {
    if (address.sa_family == AF_INET) {
        sockaddr_in a;
        std::memcpy(&a, &address, sizeof a);
        return ClassifyV4(ntohl(a.sin_addr.s_addr));
    }
    if (address.sa_family == AF_INET6) {
        sockaddr_in6 a;
        std::memcpy(&a, &address, sizeof a);
        return ClassifyV6(a.sin6_addr.s6_addr);
    }
    return TAddressKind::Reserved;
}

std::optional<TAddressKind> ClassifyHostLiteral(std::string_view host) {
    std::string h(host);
    if (h.size() >= 2 && h.front() == '[' && h.back() == ']') h = h.substr(1, h.size() - 2);
    if (h.empty() || h.find('\0') != std::string::npos) return std::nullopt;
    // A zone ("fe80::1%eth0") does not change the address.
    const std::size_t zone = h.find('%');
    if (h.find(':') != std::string::npos) {
        in6_addr a6{};
        if (inet_pton(AF_INET6, h.substr(0, zone).c_str(), &a6) != 1) return std::nullopt;
        return ClassifyV6(a6.s6_addr);
    }
    // inet_aton takes the old forms too (octal, hex, fewer than four
    // parts), as URL parsers do; but nothing after the number.
    if (h.find_first_not_of("0123456789abcdefABCDEFxX.") != std::string::npos) return std::nullopt;
    in_addr a4{};
    if (inet_aton(h.c_str(), &a4) == 0) return std::nullopt;
    return ClassifyV4(ntohl(a4.s_addr));
}

std::string UrlHost(std::string_view url) {
    std::string_view rest;
    if (StartsWithIgnoringCase(url, "http://"))
        rest = url.substr(7);
    else if (StartsWithIgnoringCase(url, "https://"))
        rest = url.substr(8);
    else
        return "";
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (const std::size_t at = rest.rfind('@'); at != std::string_view::npos) rest.remove_prefix(at + 1);
    std::string host;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos) return "";
        host = rest.substr(1, close - 1);
    } else {
        host = rest.substr(0, rest.find(':'));
    }
    for (char& c : host)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    while (!host.empty() && host.back() == '.') host.pop_back();  // "localhost." is localhost
    return host;
}

TRedirectVerdict JudgeRedirect(int hop, int maxHops, std::string_view target, bool publicOnly) {
    if (hop > std::min(maxHops, MaxRedirectHops)) return TRedirectVerdict::TooMany;
    const std::string host = UrlHost(target);
    if (host.empty()) return TRedirectVerdict::NotHttp;
    if (!publicOnly) return TRedirectVerdict::Follow;
    if (host == "localhost" || (host.size() > 10 && host.ends_with(".localhost"))) return TRedirectVerdict::NotPublic;
    const auto literal = ClassifyHostLiteral(host);
    if (literal && !IsPublicAddress(*literal)) return TRedirectVerdict::NotPublic;
    return TRedirectVerdict::Follow;
}

bool ProxyInEnvironment(std::string_view url) {
    const auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    // libcurl reads http_proxy only in lower case.
    if (StartsWithIgnoringCase(url, "http://") && set("http_proxy")) return true;
    if (StartsWithIgnoringCase(url, "https://") && (set("https_proxy") || set("HTTPS_PROXY"))) return true;
    return set("all_proxy") || set("ALL_PROXY");
}

}  // namespace pelmo
