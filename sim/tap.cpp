#include "sim/tap.h"

#include <chrono>

namespace sim {

namespace {
// The parity bit a character carries on a line with `parity` ('E' or 'O').
int parity_bit(uint8_t byte, char parity)
{
    int ones = 0;
    for (int bit = 0; bit < 8; ++bit)
        ones += (byte >> bit) & 1;
    return (ones % 2 == 1) == (parity == 'E') ? 1 : 0;
}
} // namespace

heard_as receive(uint8_t byte, const orte::line_format &line, const orte::line_format &listener)
{
    if (listener.baud != line.baud)
        return heard_as::garbage;
    if (listener.parity == line.parity)
        return heard_as::clean;
    if (listener.parity == 'N')
        // The parity bit is read as the stop bit: a 0 there is a framing error.
        return parity_bit(byte, line.parity) == 1 ? heard_as::clean : heard_as::dropped_or_passed;
    if (line.parity == 'N')
        // The parity is read from the stop bit and the stop bit from what follows: with two
        // stop bits that is still a stop bit; with one, the next character's start bit, and
        // every character after it is read out of step.
        return line.stop_bits == 2
            ? (parity_bit(byte, listener.parity) == 1 ? heard_as::clean
                                                      : heard_as::dropped_or_passed)
            : heard_as::garbage;
    return heard_as::dropped_or_passed; // even read as odd, or odd as even
}

bus_tap::bus_tap(const orte::line_format &format, int chunk, bool drop)
    : line(format)
    , port(format)
    , chunk_ms(chunk)
    , drops(drop)
{
}

bus_tap::~bus_tap()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        ending = true;
    }
    wake.notify_all();
    if (timer.joinable())
        timer.join();
}

bool bus_tap::open(const std::string &link, std::string &error)
{
    opened = port.open_pty(link, error);
    if (opened && chunk_ms > 0)
        timer = std::thread([this] { hand_over(); });
    return opened;
}

void bus_tap::hand_over()
{
    std::unique_lock<std::mutex> guard(lock);
    while (!ending) {
        wake.wait_for(guard, std::chrono::milliseconds(chunk_ms));
        if (pending.empty())
            continue;
        std::vector<uint8_t> chunk;
        chunk.swap(pending);
        guard.unlock();
        port.write_all(chunk.data(), chunk.size());
        guard.lock();
    }
}

void bus_tap::copy(const uint8_t *data, size_t n)
{
    if (!opened)
        return;
    orte::line_format listener = line;
    port.other_side(listener);
    std::vector<uint8_t> heard;
    for (size_t i = 0; i < n; ++i) {
        const heard_as as = receive(data[i], line, listener);
        if (as == heard_as::garbage)
            heard.push_back(uint8_t((data[i] ^ 0xA5) + 0x3C));
        else if (as == heard_as::clean || !drops)
            heard.push_back(data[i]);
    }
    if (chunk_ms == 0) {
        port.write_all(heard.data(), heard.size());
        return;
    }
    std::lock_guard<std::mutex> guard(lock);
    pending.insert(pending.end(), heard.begin(), heard.end());
}

std::vector<uint8_t> bus_tap::written_to_it()
{
    double at = 0;
    bool gone = false;
    return opened ? port.read_frame(0, at, gone) : std::vector<uint8_t> {};
}

} // namespace sim
