#pragma once

// The simulator's serial line (POSIX): a device or a pty of its own, frames told apart by the
// silence between them, and the line's timing.

#include "link/line_format.h"

#include <csignal>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sim {

extern volatile sig_atomic_t stop_requested;
// SIGINT, SIGTERM and SIGHUP set stop_requested; a reader that goes away is no signal.
void catch_stop_signals();

double now_ms();
void sleep_until_ms(double t);

class serial_line
{
public:
    explicit serial_line(const orte::line_format &settings);
    ~serial_line();
    serial_line(const serial_line &) = delete;
    serial_line &operator=(const serial_line &) = delete;

    // False with the reason in `error`.
    bool open_device(const std::string &path, std::string &error);
    // A pty of our own, its other end held open so that it outlives the master's close; `link`
    // (when given) becomes a symbolic link to it. Only a symbolic link may be replaced.
    bool open_pty(const std::string &link, std::string &error);
    // What the master should open.
    std::string name() const { return link_path.empty() ? port_path : link_path; }

    // Waits up to `wait_ms` for a byte, then reads until the line has been quiet for the frame
    // gap. Empty when nothing came; `gone` when the device went away. `first_at` is when the
    // first byte was seen.
    // `heard`, when given, has each piece as soon as it is read (a tap keeps the line's timing).
    std::vector<uint8_t> read_frame(int wait_ms, double &first_at, bool &gone,
                                    const std::function<void(const uint8_t *, size_t)> &heard = {});
    void write_all(const uint8_t *data, size_t n);

    // What was written and when, for the trace.
    using written_fn = std::function<void(const uint8_t *data, size_t n, double at_ms)>;
    // Writes a reply to a request of `request_length` bytes that began at `received_at`,
    // `delay_ms` late and split after `split_at` bytes (0: whole) by `split_ms`. With
    // `wire_timing`, as a real line would carry it: after the request's own time on the wire
    // and the slave's 3.5 characters of silence, one character per character time.
    void send_reply(const std::vector<uint8_t> &reply, size_t request_length, double received_at,
                    double delay_ms, size_t split_at, double split_ms, bool wire_timing,
                    const written_fn &written);

    // On a pty: the settings the other side opened it with, where a real line would garble
    // every character ("9600 8N1 vs 19200 8O2"); empty when they agree.
    std::string settings_mismatch() const;
    // The line's settings change (its master reconfigured): a device is set anew; on a pty they
    // are what the master's are compared with, and what the timing follows.
    bool change_format(const orte::line_format &format);
    // On a pty: the settings the other side opened it with (even parity shows as none unless
    // it asks for parity checks).
    bool other_side(orte::line_format &theirs) const;

private:
    orte::line_format settings;
    int fd = -1;
    int pty_slave = -1;
    std::string port_path;
    std::string link_path;
};

} // namespace sim
