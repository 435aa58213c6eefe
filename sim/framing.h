#pragma once

// Frames on the simulator's line: told apart by the silence between them, and, where a reader
// woke late and got two at once, by the first one's length and CRC.

#include "link/line_format.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

// A reader that wakes late on a busy machine misses the silence between two frames and reads
// them as one. When `chunk` is not one frame but begins with a whole one (by its function's
// length and its CRC), the length of that one; else 0.
size_t glued_frame_length(const std::vector<uint8_t> &chunk);

// A chunk read between two silences, as the frames it holds: glued whole frames split off the
// front, the rest (one frame, or bytes that form none) last.
std::vector<std::vector<uint8_t>> split_frames(std::vector<uint8_t> chunk);

} // namespace sim
