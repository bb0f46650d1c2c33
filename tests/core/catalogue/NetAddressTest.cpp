#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>

#include "catalogue/NetAddress.h"

using namespace pelmo;
using K = TAddressKind;

namespace {

// The literal as the socket address a connection would use.
std::optional<K> ClassifyAsSocket(const std::string& text) {
    sockaddr_in v4{};
    sockaddr_in6 v6{};
    if (inet_pton(AF_INET, text.c_str(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        return ClassifyAddress(reinterpret_cast<const sockaddr&>(v4));
    }
    if (inet_pton(AF_INET6, text.c_str(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        return ClassifyAddress(reinterpret_cast<const sockaddr&>(v6));
    }
    return std::nullopt;
}

TEST(NetAddress, Classification) {
    const struct {
        const char* host;
        std::optional<K> kind;
    } cases[] = {
        {"127.0.0.1", K::Loopback},
        {"127.255.1.2", K::Loopback},
        {"127.1", K::Loopback},       // short form
        {"0x7f.0.0.1", K::Loopback},  // hex
        {"0177.0.0.1", K::Loopback},  // octal
        {"2130706433", K::Loopback},  // one number
        {"::1", K::Loopback},
        {"[::1]", K::Loopback},
        {"::ffff:127.0.0.1", K::Loopback},  // mapped
        {"::ffff:10.0.0.1", K::Private},
        {"64:ff9b::c0a8:0101", K::Private},  // NAT64 of 192.168.1.1
        {"2002:7f00:1::", K::Loopback},      // 6to4 of 127.0.0.1
        {"10.1.2.3", K::Private},
        {"172.16.0.1", K::Private},
        {"172.31.255.255", K::Private},
        {"172.32.0.1", K::Public},
        {"172.15.255.255", K::Public},
        {"192.168.0.10", K::Private},
        {"100.64.0.1", K::Private},  // carrier NAT
        {"100.128.0.1", K::Public},
        {"fc00::1", K::Private},
        {"fd12:3456::1", K::Private},
        {"169.254.169.254", K::LinkLocal},  // the cloud metadata address
        {"fe80::1", K::LinkLocal},
        {"fe80::1%25eth0", K::LinkLocal},
        {"0.0.0.0", K::Unspecified},
        {"::", K::Unspecified},
        {"224.0.0.1", K::Reserved},
        {"255.255.255.255", K::Reserved},
        {"ff02::1", K::Reserved},
        {"8.8.8.8", K::Public},
        {"93.184.216.34", K::Public},
        {"2606:4700::1111", K::Public},
        {"::ffff:8.8.8.8", K::Public},
        {"example.com", std::nullopt},
        {"localhost", std::nullopt},
        {"1.2.3.4.example", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ClassifyHostLiteral(c.host), c.kind) << c.host;
        // What a connection is judged by agrees, for the forms a socket knows.
        if (const auto socket = ClassifyAsSocket(c.host)) {
            EXPECT_EQ(socket, c.kind) << c.host;
        }
    }
}

TEST(NetAddress, UrlHost) {
    const struct {
        const char* url;
        const char* host;
    } cases[] = {
        {"http://Example.COM/a", "example.com"},
        {"https://example.com:8443?x", "example.com"},
        {"http://user:pw@10.0.0.1:80/", "10.0.0.1"},
        {"http://[::1]:8080/x", "::1"},
        {"HTTP://LOCALHOST./", "localhost"},
        {"http://a.b#frag", "a.b"},
        {"ftp://example.com/", ""},
        {"file:///etc/passwd", ""},
        {"http://[::1/x", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(UrlHost(c.url), c.host) << c.url;
}

TEST(NetAddress, RedirectDecision) {
    using V = TRedirectVerdict;
    const struct {
        int hop, maxHops;
        const char* target;
        bool publicOnly;
        V verdict;
    } cases[] = {
        {1, 5, "http://127.0.0.1:8000/x", false, V::Follow},  // a server on this machine may redirect to itself
        {1, 5, "http://127.0.0.1:8000/x", true, V::NotPublic},
        {1, 5, "http://localhost/x", true, V::NotPublic},
        {1, 5, "http://shop.localhost/x", true, V::NotPublic},
        {1, 5, "http://[::1]/x", true, V::NotPublic},
        {2, 5, "http://2130706433/x", true, V::NotPublic},
        {1, 5, "https://169.254.169.254/latest/", true, V::NotPublic},
        {1, 5, "http://192.168.1.1/admin", true, V::NotPublic},
        {1, 5, "http://mirror.example.com/x", true, V::Follow},  // judged again by the address it is reached at
        {1, 5, "https://8.8.8.8/x", true, V::Follow},
        {5, 5, "http://mirror.example.com/x", false, V::Follow},
        {6, 5, "http://mirror.example.com/x", false, V::TooMany},
        {6, 10, "http://mirror.example.com/x", false, V::TooMany},  // never more than five
        {3, 2, "http://mirror.example.com/x", false, V::TooMany},
        {1, 5, "ftp://mirror.example.com/x", false, V::NotHttp},
        {1, 5, "file:///etc/passwd", false, V::NotHttp},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JudgeRedirect(c.hop, c.maxHops, c.target, c.publicOnly), c.verdict)
            << c.target << " hop " << c.hop << (c.publicOnly ? " public only" : "");
}

}  // namespace
