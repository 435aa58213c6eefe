#pragma once

// The simulator as a Modbus TCP server (POSIX sockets): requests taken off any number of
// connections, each as the RTU frame it stands for, and replies sent back with the request's
// header.

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

class tcp_server
{
public:
    tcp_server() = default;
    ~tcp_server();
    tcp_server(const tcp_server &) = delete;
    tcp_server &operator=(const tcp_server &) = delete;

    // Listens on 127.0.0.1:`port` (0: a free one). False with the reason in `error`.
    bool open(int port, std::string &error);
    std::string name() const;

    struct request
    {
        int client = -1;
        uint16_t transaction = 0;
        std::vector<uint8_t> rtu; // unit id, PDU, CRC
    };
    // Waits up to `wait_ms` for what comes; the whole requests that came. A connection that
    // sends what is not Modbus TCP is closed.
    std::vector<request> take(int wait_ms);
    // The reply (an RTU frame: unit id, PDU, CRC) to `to`, under its header.
    void reply(const request &to, const std::vector<uint8_t> &rtu);

private:
    struct client
    {
        int fd = -1;
        std::vector<uint8_t> buffer;
    };
    void drop(size_t i);
    int listener = -1;
    int bound_port = 0;
    std::vector<client> clients;
};

} // namespace sim
