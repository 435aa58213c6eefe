#pragma once

namespace orte {

// The records of a poll log besides the header.
enum class record_kind { status_change, crc_error, timeout, link_lost, stop };

} // namespace orte
