#pragma once

#include "link/line_format.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// What the simulated converter reports. Defaults: a two-input ОРТЕ-473-220 with a
// resistance thermometer on input 1 and a thermocouple on input 2.
struct converter_state
{
    struct input
    {
        uint16_t type; // whole register; the monitor compares only its low byte
        int16_t whole;
        int16_t milli;
        int16_t cold_junction; // tenths of a degree
    };

    int address = 1;
    uint8_t model = 0;
    std::array<uint8_t, 4> version { 2, 0, 0, 1 };
    uint32_t serial = 123456;
    std::array<input, 2> inputs { { { 0, 23, 450, 0 }, { 1, 500, 100, 235 } } };
    uint8_t status = 0;
    // A change of the line's settings a scenario asked for ("set line 19200E1"), until the line
    // takes it: a bus whose master is reconfigured in a run.
    bool line_changed = false;
    orte::line_format line;
};

// Keys that a setting may name: address, model, version, serial, status,
// in1.type, in1.whole, in1.milli, in1.cj and the same for in2, and line (speed, parity and
// stop bits: 19200E1).
const std::vector<std::string> &setting_keys();

// Applies one setting given as text (decimal, or hex with 0x); false with a message if the key
// is unknown or the value out of range.
bool apply_setting(converter_state &state, const std::string &key, const std::string &value,
                   std::string &error);

// Input registers 0..54 (12..49 unused) and coils 0..7 as the converter's data image.
std::array<uint16_t, 55> input_registers(const converter_state &state);
std::array<uint8_t, 8> coils(const converter_state &state);

// Whether a read of `count` items (1 or more: the quantity is checked first) from `start`
// stays inside what the converter has: input registers 0..11 and 50..54, coils 0..7.
bool input_registers_exist(int start, int count);
bool coils_exist(int start, int count);

} // namespace sim
