#pragma once

// Modbus RTU function codes, as the protocol names them. What the converter's registers and
// coils hold is decode/register_map.h.

#include <QtGlobal>

namespace orte {
namespace modbus {

enum function : quint8 {
    read_coils = 0x01,
    read_discrete_inputs = 0x02,
    read_holding_registers = 0x03,
    read_input_registers = 0x04,
    write_single_coil = 0x05,
    write_single_register = 0x06,
    read_exception_status = 0x07,
    diagnostics = 0x08,
    comm_event_counter = 0x0B,
    comm_event_log = 0x0C,
    write_multiple_coils = 0x0F,
    write_multiple_registers = 0x10,
    report_server_id = 0x11,
    read_file_record = 0x14,
    write_file_record = 0x15,
    mask_write_register = 0x16,
    read_write_registers = 0x17,
    encapsulated = 0x2B,
};
// The exception codes, as the protocol names them.
enum exception_code : quint8 {
    illegal_function = 0x01,
    illegal_data_address = 0x02,
    illegal_data_value = 0x03,
    server_device_failure = 0x04,
    acknowledge = 0x05,
    server_device_busy = 0x06,
    memory_parity_error = 0x08,
    gateway_path_unavailable = 0x0A,
    gateway_target_failed = 0x0B,
};

// An exception reply carries its request's function with this bit set.
constexpr quint8 exception_bit = 0x80;
// The MEI type of function 43 that reads the device identification.
constexpr quint8 device_identification = 0x0E;

} // namespace modbus
} // namespace orte
