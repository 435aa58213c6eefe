#pragma once

#include <istream>
#include <string>
#include <vector>

namespace sim {

// A scenario is a text file, one step per line:
//
//   at SECONDS ACTION [ARGS]     run when SECONDS have passed since the start
//   req N ACTION [ARGS]          run when the N-th request (from 1) arrives, before it is answered
//
// Actions:
//   set [ADDRESS] KEY VALUE  change what the converter (at ADDRESS, of several) reports (keys as
//                        the command-line options)
//   silent [N]           leave the next N requests unanswered (default 1)
//   garbage [N]          answer the next request with N random bytes (default 12)
//   corrupt              answer the next request with one byte of its reply corrupted
//   exception [CODE]     answer the next request with a Modbus exception (default 4)
//   wrong-length         answer the next request with a valid frame of an unexpected length
//   split K MS           send the next reply as its first K bytes, a pause of MS ms, the rest
//   delay MS             send the next reply MS ms late
//   stray N              write N random bytes on the line now
//   noise SECONDS        write random bytes continuously, answering nothing, for SECONDS
//   dropout SECONDS      answer nothing for SECONDS, then come back
//   repeat               start the scenario over (clock and request count) from here
//
// '#' starts a comment; blank lines are ignored.

enum class action_kind {
    set,
    silent,
    garbage,
    corrupt,
    exception,
    wrong_length,
    split,
    delay,
    stray,
    noise,
    dropout,
    repeat
};

struct step
{
    bool by_request = false;
    double at_seconds = 0;
    long at_request = 0;
    action_kind kind = action_kind::set;
    std::string key; // set
    std::string value; // set
    int address = 0; // set: the converter of several it changes (0: the first)
    long count = 0; // silent, garbage, exception code, split position, stray
    double seconds = 0; // noise, dropout
    long millis = 0; // split pause, delay
    int line = 0;
};

struct scenario
{
    std::vector<step> steps;
};

// The action's word in a scenario: "silent", "split", ...
const char *action_name(action_kind kind);

// Parses a whole scenario; on failure `error` says "line N: what is wrong". A byte-order mark
// at the start (as Windows editors write) is skipped.
bool parse_scenario(std::istream &in, scenario &out, std::string &error);

// Reads and parses a scenario file: a regular file, or a pipe (a FIFO, /dev/fd/N of a shell's
// process substitution) that has a writer. Nothing that could wait for ever: a pipe with no
// writer, or one that stays silent for 5 s, is refused with a message.
bool load_scenario_file(const std::string &path, scenario &out, std::string &error);

} // namespace sim
