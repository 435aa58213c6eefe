#pragma once

// A bus tap: a second virtual port that hears the simulated line in both directions, as a
// third device on the RS-485 pair does, through an adapter like a real one: it hands the bytes
// over in chunks, and reads each character at the settings the listener opened it with.

#include "sim/line.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace sim {

// What a receiver at `listener` settings makes of one character sent at `line` settings:
// the byte, nothing (a character with a wrong parity or stop bit, where the adapter drops
// them), or garbage (another speed; parity expected where there is none, which shifts every
// character after the first).
enum class heard_as { clean, dropped_or_passed, garbage };
heard_as receive(uint8_t byte, const orte::line_format &line, const orte::line_format &listener);

class bus_tap
{
public:
    bus_tap(const orte::line_format &format, int chunk_ms, bool drops);
    ~bus_tap();
    bus_tap(const bus_tap &) = delete;
    bus_tap &operator=(const bus_tap &) = delete;
    bool open(const std::string &link, std::string &error);
    bool is_open() const { return opened; }
    // A copy of what the line carries, as the listener's adapter delivers it.
    void copy(const uint8_t *data, size_t n);
    // The line's settings change: what a listener hears follows.
    void change_line(const orte::line_format &format) { line = format; }
    // What a listener wrote to the tap (a listener never should).
    std::vector<uint8_t> written_to_it();

private:
    void hand_over();
    orte::line_format line;
    serial_line port;
    bool opened = false;
    int chunk_ms;
    bool drops;
    // The adapter's buffer, handed over every chunk_ms by a thread of its own.
    std::mutex lock;
    std::condition_variable wake;
    std::vector<uint8_t> pending;
    bool ending = false;
    std::thread timer;
};

} // namespace sim
