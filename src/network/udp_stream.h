// UDP sockets as streams: writes collect into one outgoing datagram, reads
// take the bytes of the last datagram received.
#pragma once

#include <cstdint>

#include "files/stream.h"
#include "platform/socket.h"

class qyUDPStream final : public qyStream {
public:
    // The payload of the largest IPv4 datagram: 65535 bytes less the IP and
    // UDP headers.
    static constexpr int32_t kLargestDatagram = 65507;

    // A socket bound to the port on all interfaces (0: any free port); null
    // when it cannot be opened or bound.
    static qyUDPStream* create(uint16_t port);

    ~qyUDPStream() override;  // closes the socket

    // Never waits: copies from what is left of the last datagram.
    int32_t read(void* buffer, int32_t count) override;
    // Appends to the outgoing datagram; nothing is sent.
    int32_t write(const void* buffer, int32_t count) override;
    int32_t avail() override;
    int32_t eof() override;

    // Waits up to the time-out for a datagram, which replaces whatever was
    // left of the last one. Returns the sender's IP, or 0 when none came in
    // time or the stream has failed.
    uint32_t receive(int32_t timeoutMillis);

    // Sends everything written since the last send as one datagram; port 0
    // sends to the stream's own port number. A datagram the system does not
    // take whole fails the stream.
    void send(uint32_t ip, uint16_t port);

    korva::Ipv4Endpoint own() const { return own_; }
    korva::Ipv4Endpoint lastSender() const { return lastSender_; }

private:
    explicit qyUDPStream(int socket);  // takes the socket over once it is bound
    template <class Owner, class... Arguments>
    friend Owner* korva::newOwnerOf(int, Arguments...);

    const int socket_;
    bool failed_ = false;
    int32_t receiveWaitMillis_ = 0;  // the socket's receive time-out; 0: none set
    const korva::Ipv4Endpoint own_;
    korva::Ipv4Endpoint lastSender_;  // the own address until a datagram arrives

    void fail();

    // A datagram can never be larger than these buffers, so neither grows.
    // The unread rest of the last datagram received lies in the get window,
    // the outgoing datagram before the put window.
    uint8_t received_[kLargestDatagram];
    uint8_t outgoing_[kLargestDatagram];
    // Written beyond what one datagram can carry: the send will fail, so the
    // excess is counted as accepted but not kept.
    bool outgoingTooLong_ = false;
};
