#include "sim/cli.h"

#include "sim/numbers.h"

#include <getopt.h>

#include <algorithm>
#include <sstream>
#include <vector>

namespace sim {

const char *const usage_text
    = R"usage(Usage: orte-sim (--device PATH | --pty [--link PATH] | --tcp PORT) [options]

A simulated ОРТЕ-473 measuring converter: a Modbus RTU slave answering
input registers 0..11 and 50..54 and coils 0..7, as the converter does.

Port:
  --device PATH        serve on this serial device (a real port or one end of a socat pair)
  --pty                create a virtual serial pair; the path the monitor should open is
                       printed on the first line of standard output
  --link PATH          with --pty: also make PATH a symbolic link to that port (nothing
                       may be there but a stale link that leads nowhere)
  --tcp PORT           serve Modbus TCP on 127.0.0.1:PORT instead (0: any free port),
                       one converter per unit id, as a gateway does (exception 0x0B for a
                       unit id with none); tcp://127.0.0.1:PORT is printed first
  --baud N             line speed (default 9600)
  --parity P           none, even or odd (default none)
  --stop-bits N        1 or 2 (default 1)
  --wire-timing        behave like a real line at the configured speed and format: start a
                       reply no sooner than the request's transmission time plus 3.5 character
                       times, and send one character per character time
  --tap PATH           also make PATH (a symbolic link) a second virtual port that carries a
                       copy of every byte on the line in both directions, with the line's
                       timing, as a third device on the RS-485 pair hears it; opened at other
                       settings than the line's it delivers bytes that form no valid frames,
                       as a real line would. Anything written to it is traced as "tap rx!"
  --tap-chunk MS       the tap's adapter hands the bytes over every MS ms, wherever a frame
                       is (an FTDI chip's latency timer: 16 ms), not as they come
  --tap-adapter KIND   what the tap's adapter does with a character whose parity or stop
                       bit is wrong (the line's parity read as none, or the other parity):
                       "passes" it on as data (default, as most do) or "drops" it. A
                       receiver checks one stop bit: 2 stop bits read as 1 and 1 as 2. A
                       listener at another speed, or with parity on a line without it,
                       hears garbage. On a pty even parity shows only where the listener
                       asks for parity checks (INPCK)
  --any-settings       with --pty: answer whatever speed, stop bits and parity the other
                       side opened the port with (by default, as on a real line, a master
                       at other settings gets no answer; even parity cannot be told from
                       none on a pty)

Converter (numbers decimal or 0x hex; a leading 0 is not octal):
  --address LIST       slave address, 1..247 (default 1); a list (1,5,7) or a range
                       (1-4) simulates a converter at each, the serial numbers counting up
  --model N            model code, 0..255 (default 0: ОРТЕ 473-220, two inputs)
  --version A.B.C.D    firmware version (default 2.0.0.1)
  --serial N           serial number, 0..4294967295 (default 123456)
  --status N           status byte, coils 0..7 (default 0): bit 0/1 input 1/2 fault,
                       bit 2/3 output 1/2 fault, bits 4-5 and 6-7 setpoint states
  --in1-type N         input 1 sensor type register: 0 thermoresistance, 1 thermocouple,
                       2 resistance, 3 voltage (default 0)
  --in1-whole N        input 1 value, whole part (default 23)
  --in1-milli N        input 1 value, thousandths (default 450)
  --in1-cj N           input 1 cold-junction temperature in tenths of a degree (default 0)
  --in2-type, --in2-whole, --in2-milli, --in2-cj
                       the same for input 2 (defaults 1, 500, 100, 235)

Behaviour:
  --scenario FILE      run a scenario (see below)
  --trace              print every request and reply: "MS rx|tx HEX", every frame not
                       acted on: "MS rx? HEX (why)", and "MS step LINE ACTION" for each
                       scenario step run, MS being milliseconds since the start
  --seed N             seed of the random bytes of faults (default 1)
  -h, --help           show this text

Scenario files: one step per line, '#' starts a comment. A pipe works too
(--scenario <(...)); one with no writer is refused.
  at SECONDS ACTION [ARGS]   run when SECONDS have passed since the start
  req N ACTION [ARGS]        run when the N-th request arrives, before it is answered
Actions:
  set [ADDR] KEY VALUE change a value (of the converter at ADDR, of several; else the
                       first); KEY is address, model, version, serial, status,
                       in1.type, in1.whole, in1.milli, in1.cj, in2.type, ... as above,
                       or line: the line's speed, parity and stop bits (19200E1), as when
                       its master is set up anew
  silent [N]           leave the next N requests unanswered (default 1)
  garbage [N]          answer the next request with N random bytes (default 12)
  corrupt              answer the next request with one byte of its reply corrupted
  exception [CODE]     answer the next request with a Modbus exception (default 4)
  wrong-length         answer the next request with a valid 7-byte frame
  split K MS           send the next reply as K bytes, a pause of MS ms, then the rest
  delay MS             send the next reply MS ms late
  stray N              write N random bytes on the line at once
  noise SECONDS        write random bytes continuously, answering nothing, for SECONDS
  dropout SECONDS      answer nothing for SECONDS, then come back
  repeat               start the scenario over from here (clock and request count)
Example:
  at 2   set status 0x01       # input 1 fault
  at 5   set status 0x10       # fault gone, input 1 above setpoint 1
  req 20 split 10 40
  at 8   dropout 2
  at 12  repeat

Frames are told apart by the silence between them (3.5 character times, at least
1.75 ms). Requests to address 0 (broadcasts) are never answered.

SIGINT, SIGTERM or SIGHUP end it; what it created is removed.
)usage";

std::vector<converter_state> converters_of(const options &o)
{
    if (o.addresses.empty())
        return { o.state };
    std::vector<converter_state> all;
    for (size_t i = 0; i < o.addresses.size(); ++i) {
        converter_state c = o.state;
        c.address = o.addresses[i];
        c.serial = o.state.serial + uint32_t(i);
        all.push_back(c);
    }
    return all;
}

command parse_command_line(int argc, char **argv, options &out, std::string &error)
{
    enum {
        opt_device = 1000,
        opt_pty,
        opt_link,
        opt_baud,
        opt_parity,
        opt_stop,
        opt_wire,
        opt_any,
        opt_tap,
        opt_tap_chunk,
        opt_tap_adapter,
        opt_trace,
        opt_scenario,
        opt_seed,
        opt_tcp,
        opt_help,
        opt_setting
    };
    std::vector<option> longs = {
        { "device", required_argument, nullptr, opt_device },
        { "pty", no_argument, nullptr, opt_pty },
        { "link", required_argument, nullptr, opt_link },
        { "baud", required_argument, nullptr, opt_baud },
        { "parity", required_argument, nullptr, opt_parity },
        { "stop-bits", required_argument, nullptr, opt_stop },
        { "wire-timing", no_argument, nullptr, opt_wire },
        { "any-settings", no_argument, nullptr, opt_any },
        { "tap", required_argument, nullptr, opt_tap },
        { "tap-chunk", required_argument, nullptr, opt_tap_chunk },
        { "tap-adapter", required_argument, nullptr, opt_tap_adapter },
        { "trace", no_argument, nullptr, opt_trace },
        { "scenario", required_argument, nullptr, opt_scenario },
        { "seed", required_argument, nullptr, opt_seed },
        { "tcp", required_argument, nullptr, opt_tcp },
        { "help", no_argument, nullptr, opt_help },
    };
    // Every converter setting is also an option: in1.type becomes --in1-type.
    std::vector<std::string> setting_names;
    for (const std::string &key : setting_keys()) {
        std::string name = key;
        for (char &c : name)
            if (c == '.')
                c = '-';
        setting_names.push_back(name);
    }
    for (size_t i = 0; i < setting_names.size(); ++i)
        longs.push_back(
            { setting_names[i].c_str(), required_argument, nullptr, opt_setting + int(i) });
    longs.push_back({ nullptr, 0, nullptr, 0 });

    options o;
    opterr = 0;
    optind = 0; // glibc starts afresh, so the line can be read more than once
    int c = 0;
    auto bad = [&](const char *name, const std::string &arg, const std::string &what) {
        error = "bad value " + quoted(arg) + " for --" + name + what;
        return command::error;
    };
    while ((c = getopt_long(argc, argv, "h", longs.data(), nullptr)) != -1) {
        const std::string arg = optarg ? optarg : "";
        long long number = 0;
        switch (c) {
        case opt_device:
            o.device = arg;
            break;
        case opt_pty:
            o.pty = true;
            break;
        case opt_link:
            o.link = arg;
            break;
        case opt_baud:
            if (!parse_number(arg, 50, 4000000, number))
                return bad("baud", arg, " (50 to 4000000)");
            o.line.baud = int(number);
            break;
        case opt_parity:
            if (arg == "none")
                o.line.parity = 'N';
            else if (arg == "even")
                o.line.parity = 'E';
            else if (arg == "odd")
                o.line.parity = 'O';
            else
                return bad("parity", arg, " (none, even or odd)");
            break;
        case opt_stop:
            if (arg != "1" && arg != "2")
                return bad("stop-bits", arg, " (1 or 2)");
            o.line.stop_bits = arg == "1" ? 1 : 2;
            break;
        case opt_wire:
            o.wire_timing = true;
            break;
        case opt_any:
            o.any_settings = true;
            break;
        case opt_tap:
            o.tap = arg;
            break;
        case opt_tap_chunk:
            if (!parse_number(arg, 0, 1000, number))
                return bad("tap-chunk", arg, " (0 to 1000 ms)");
            o.tap_chunk_ms = int(number);
            break;
        case opt_tap_adapter:
            if (arg != "passes" && arg != "drops")
                return bad("tap-adapter", arg, " (passes, drops)");
            o.tap_drops = arg == "drops";
            break;
        case opt_trace:
            o.trace = true;
            break;
        case opt_scenario:
            o.scenario_file = arg;
            break;
        case opt_seed:
            if (!parse_number(arg, 0, 4294967295LL, number))
                return bad("seed", arg, " (0 to 4294967295)");
            o.seed = unsigned(number);
            break;
        case opt_tcp:
            if (!parse_number(arg, 0, 65535, number))
                return bad("tcp", arg, " (a TCP port, 0 for any free one)");
            o.tcp_port = int(number);
            break;
        case 'h':
        case opt_help:
            return command::help;
        case '?':
            // Long options that miss their value report their own code; anything else is
            // unknown.
            if (optopt >= opt_device)
                error = "option " + quoted(argv[optind - 1]) + " needs a value (see --help)";
            else
                error = "unknown option " + quoted(argv[optind - 1]) + " (see --help)";
            return command::error;
        default:
            if (c >= opt_setting && setting_keys()[size_t(c - opt_setting)] == "address") {
                // A list of addresses and ranges: "1,5,7", "1-4".
                o.addresses.clear();
                std::string item;
                std::istringstream items(arg);
                while (std::getline(items, item, ',')) {
                    const size_t dash = item.find('-', 1);
                    long long first = 0, last = 0;
                    if (!parse_number(item.substr(0, dash), 1, 247, first)
                        || !parse_number(dash == std::string::npos ? item : item.substr(dash + 1),
                                         1, 247, last)
                        || last < first)
                        return bad("address", arg, " (1 to 247, a list or a range)");
                    for (long long a = first; a <= last; ++a)
                        if (std::find(o.addresses.begin(), o.addresses.end(), int(a))
                            == o.addresses.end())
                            o.addresses.push_back(int(a));
                }
                if (o.addresses.empty())
                    return bad("address", arg, " (1 to 247, a list or a range)");
                o.state.address = o.addresses[0];
                if (o.addresses.size() == 1)
                    o.addresses.clear();
            } else if (c >= opt_setting) {
                const size_t i = size_t(c - opt_setting);
                std::string what;
                if (!apply_setting(o.state, setting_keys()[i], arg, what)) {
                    error = "--" + setting_names[i] + ": " + what;
                    return command::error;
                }
            }
            break;
        }
    }
    if (optind < argc)
        error = "unexpected argument " + quoted(argv[optind]) + " (see --help)";
    else if (o.tcp_port >= 0 && (o.pty || !o.device.empty()))
        error = "--tcp serves Modbus TCP instead of a line: no --device or --pty";
    else if (o.tcp_port < 0 && o.pty == !o.device.empty())
        error = "give either --device PATH, --pty or --tcp PORT (see --help)";
    else if (!o.link.empty() && !o.pty)
        error = "--link goes with --pty";
    if (!error.empty())
        return command::error;
    out = std::move(o);
    return command::run;
}

} // namespace sim
