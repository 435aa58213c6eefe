#include "sim/tcp_server.h"

#include "sim/modbus_crc.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace sim {

tcp_server::~tcp_server()
{
    for (const client &c : clients)
        ::close(c.fd);
    if (listener >= 0)
        ::close(listener);
}

bool tcp_server::open(int port, std::string &error)
{
    listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    sockaddr_in at {};
    at.sin_family = AF_INET;
    at.sin_port = htons(uint16_t(port));
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof at;
    if (listener < 0 || ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0
        || ::bind(listener, reinterpret_cast<sockaddr *>(&at), sizeof at) != 0
        || ::listen(listener, 16) != 0
        || ::getsockname(listener, reinterpret_cast<sockaddr *>(&at), &size) != 0) {
        error = "cannot serve TCP port " + std::to_string(port) + ": " + std::strerror(errno);
        return false;
    }
    bound_port = ntohs(at.sin_port);
    return true;
}

std::string tcp_server::name() const
{
    return "tcp://127.0.0.1:" + std::to_string(bound_port);
}

void tcp_server::drop(size_t i)
{
    ::close(clients[i].fd);
    clients.erase(clients.begin() + long(i));
}

std::vector<tcp_server::request> tcp_server::take(int wait_ms)
{
    std::vector<pollfd> fds { { listener, POLLIN, 0 } };
    for (const client &c : clients)
        fds.push_back({ c.fd, POLLIN, 0 });
    std::vector<request> out;
    if (::poll(fds.data(), nfds_t(fds.size()), wait_ms) <= 0)
        return out;
    // The clients first, by their places in `fds`, before a new one changes the list.
    for (size_t i = clients.size(); i-- > 0;) {
        if (!(fds[i + 1].revents & (POLLIN | POLLHUP | POLLERR)))
            continue;
        uint8_t chunk[512];
        const ssize_t n = ::read(clients[i].fd, chunk, sizeof chunk);
        if (n <= 0) {
            drop(i);
            continue;
        }
        std::vector<uint8_t> &b = clients[i].buffer;
        b.insert(b.end(), chunk, chunk + n);
        while (b.size() >= 7) {
            const size_t length = size_t(b[4] << 8 | b[5]);
            if (b[2] != 0 || b[3] != 0 || length < 2 || length > 254) {
                b.clear();
                drop(i);
                break;
            }
            if (b.size() < 6 + length)
                break;
            request r;
            r.client = clients[i].fd;
            r.transaction = uint16_t(b[0] << 8 | b[1]);
            r.rtu.assign(b.begin() + 6, b.begin() + 6 + long(length));
            append_crc(r.rtu);
            b.erase(b.begin(), b.begin() + 6 + long(length));
            out.push_back(r);
        }
    }
    if (fds[0].revents & POLLIN) {
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) {
            const int yes = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
            clients.push_back({ fd, {} });
        }
    }
    return out;
}

void tcp_server::reply(const request &to, const std::vector<uint8_t> &rtu)
{
    if (rtu.size() < 3)
        return;
    const size_t length = rtu.size() - 2; // the unit id and the PDU
    std::vector<uint8_t> adu { uint8_t(to.transaction >> 8), uint8_t(to.transaction & 0xFF), 0, 0,
                               uint8_t(length >> 8),         uint8_t(length & 0xFF) };
    adu.insert(adu.end(), rtu.begin(), rtu.end() - 2);
    size_t sent = 0;
    while (sent < adu.size()) {
        const ssize_t n = ::send(to.client, adu.data() + sent, adu.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return; // the client has gone: found at its next read
        sent += size_t(n);
    }
}

} // namespace sim
