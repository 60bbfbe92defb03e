#include "platform/host_addresses.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>

#include <algorithm>
#include <cstdio>

namespace korva {
namespace {

void addOnce(std::vector<uint32_t>& addresses, uint32_t ip) {
    if (std::find(addresses.begin(), addresses.end(), ip) == addresses.end()) addresses.push_back(ip);
}

uint32_t ipOf(const sockaddr* address) { return ntohl(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr); }

// One answer per address: asking for one socket type keeps the resolver from
// listing each address once per type.
std::vector<uint32_t> resolveName(const char* name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0) return {};
    std::vector<uint32_t> addresses;
    try {
        for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) addOnce(addresses, ipOf(entry->ai_addr));
    } catch (...) {
        freeaddrinfo(found);
        throw;
    }
    freeaddrinfo(found);
    return addresses;
}

// Calls visit with every IPv4 interface that is up.
template <class Visit>
void forEachInterface(Visit visit) {
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0) return;
    try {
        for (const ifaddrs* entry = interfaces; entry != nullptr; entry = entry->ifa_next) {
            if (entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET && (entry->ifa_flags & IFF_UP) != 0)
                visit(*entry);
        }
    } catch (...) {
        freeifaddrs(interfaces);
        throw;
    }
    freeifaddrs(interfaces);
}

// What other machines can reach this one at comes first; loopback counts
// only on a machine without a network.
std::vector<uint32_t> ownAddresses() {
    std::vector<uint32_t> outward, loopback;
    forEachInterface([&](const ifaddrs& entry) {
        addOnce((entry.ifa_flags & IFF_LOOPBACK) != 0 ? loopback : outward, ipOf(entry.ifa_addr));
    });
    return outward.empty() ? loopback : outward;
}

}  // namespace

std::vector<uint32_t> resolveHost(const char* name) { return *name == '\0' ? ownAddresses() : resolveName(name); }

std::vector<uint32_t> broadcastAddresses() {
    std::vector<uint32_t> addresses;
    forEachInterface([&](const ifaddrs& entry) {
        if ((entry.ifa_flags & IFF_BROADCAST) != 0 && entry.ifa_broadaddr != nullptr &&
            entry.ifa_broadaddr->sa_family == AF_INET)
            addOnce(addresses, ipOf(entry.ifa_broadaddr));
    });
    return addresses;
}

std::optional<uint32_t> parseDottedIp(const char* text) {
    const in_addr_t address = inet_addr(text);
    if (address == INADDR_NONE) return std::nullopt;
    return ntohl(address);
}

DottedText dottedText(uint32_t ip) {
    DottedText dotted;
    std::snprintf(dotted.text, sizeof dotted.text, "%u.%u.%u.%u", ip >> 24, (ip >> 16) & 255, (ip >> 8) & 255, ip & 255);
    return dotted;
}

}  // namespace korva
