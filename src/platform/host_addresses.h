// Host names and IPv4 addresses as programs see them (host order, first
// dotted component in the top byte).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace korva {

// Every IPv4 address of the host, each once, in the resolver's order; empty
// when the name does not resolve. The empty name stands for this machine:
// its interfaces' addresses, loopback only when there is nothing else.
// Throws std::bad_alloc.
std::vector<uint32_t> resolveHost(const char* name);

// The broadcast addresses of this machine's interfaces that have one.
// Throws std::bad_alloc.
std::vector<uint32_t> broadcastAddresses();

// The text as a dotted IP ("1.2.3.4"); none when it is not one. The text
// 255.255.255.255 is not taken as one: it is indistinguishable from failure
// for the classic parser.
std::optional<uint32_t> parseDottedIp(const char* text);

// "a.b.c.d", from the top byte down, without leading zeros; zero-terminated.
struct DottedText {
    char text[16];
};
DottedText dottedText(uint32_t ip);

}  // namespace korva
