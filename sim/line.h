#pragma once

// The simulator's serial line (POSIX): a device or a pty of its own, frames told apart by the
// silence between them, and the line's timing.

#include "sim/cli.h"

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

extern volatile sig_atomic_t stop_requested;

double now_ms();
void sleep_until_ms(double t);

// "9600 8N1".
std::string settings_text(const line_settings &settings);
// One character on the wire (start bit, 8 data bits, parity, stop bits), in ms.
double char_ms(const line_settings &settings);
// The silence that ends a frame: 3.5 characters, and no less than 1.75 ms.
double frame_gap_ms(const line_settings &settings);

class serial_line
{
public:
    explicit serial_line(const line_settings &settings);
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
    std::vector<uint8_t> read_frame(int wait_ms, double &first_at, bool &gone);
    void write_all(const uint8_t *data, size_t n);

    // On a pty: the settings the other side opened it with, where a real line would garble
    // every character ("9600 8N1 vs 19200 8O2"); empty when they agree.
    std::string settings_mismatch() const;

private:
    line_settings settings;
    int fd = -1;
    int pty_slave = -1;
    std::string port_path;
    std::string link_path;
};

} // namespace sim
