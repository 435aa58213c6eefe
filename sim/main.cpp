// orte-sim: a simulated ОРТЕ-473 converter, a Modbus RTU slave on a serial device or on a
// virtual serial pair of its own, with scripted faults. Requests are parsed and replies built
// by libmodbus; replies are then written by hand so that they can be paced like a real line,
// delayed, split or spoiled on purpose.

#include "sim/converter.h"
#include "sim/scenario.h"

#include <modbus/modbus.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <getopt.h>
#include <poll.h>
#include <random>
#include <string>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

volatile sig_atomic_t stop_requested = 0;

void on_signal(int)
{
    stop_requested = 1;
}

double now_ms()
{
    timespec ts {};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1000.0 + double(ts.tv_nsec) / 1e6;
}

void sleep_until_ms(double t)
{
    timespec ts {};
    ts.tv_sec = time_t(t / 1000.0);
    ts.tv_nsec = long((t - double(ts.tv_sec) * 1000.0) * 1e6);
    if (ts.tv_nsec >= 1000000000L) {
        ts.tv_sec += 1;
        ts.tv_nsec -= 1000000000L;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR
           && !stop_requested) { }
}

struct options
{
    std::string device;
    bool pty = false;
    std::string link;
    int baud = 9600;
    char parity = 'N';
    int stop_bits = 1;
    bool wire_timing = false;
    bool trace = false;
    std::string scenario_file;
    unsigned seed = 1;
    sim::converter_state state;
};

const char *usage_text = R"(Usage: orte-sim (--device PATH | --pty [--link PATH]) [options]

A simulated ОРТЕ-473 measuring converter: a Modbus RTU slave answering
input registers 0..11 and 50..54 and coils 0..7, as the converter does.

Port:
  --device PATH        serve on this serial device (a real port or one end of a socat pair)
  --pty                create a virtual serial pair; the path the monitor should open is
                       printed on the first line of standard output
  --link PATH          with --pty: also make PATH a symbolic link to that port
  --baud N             line speed (default 9600)
  --parity P           none, even or odd (default none)
  --stop-bits N        1 or 2 (default 1)
  --wire-timing        behave like a real line at the configured speed and format: start a
                       reply no sooner than the request's transmission time plus 3.5 character
                       times, and send one character per character time

Converter (numbers decimal or 0x hex):
  --address N          slave address, 1..247 (default 1)
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
  --trace              print every request and reply: "MS rx|tx HEX", and "MS step LINE" for
                       each scenario step run, MS being milliseconds since the start
  --seed N             seed of the random bytes of faults (default 1)
  --help               show this text

Scenario files: one step per line, '#' starts a comment.
  at SECONDS ACTION [ARGS]   run when SECONDS have passed since the start
  req N ACTION [ARGS]        run when the N-th request arrives, before it is answered
Actions:
  set KEY VALUE        change a value; KEY is address, model, version, serial, status,
                       in1.type, in1.whole, in1.milli, in1.cj, in2.type, ... as above
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

SIGINT or SIGTERM end it; what it created is removed.
)";

void fail(const std::string &message)
{
    std::fprintf(stderr, "orte-sim: %s\n", message.c_str());
    std::exit(2);
}

options parse_options(int argc, char **argv)
{
    enum {
        opt_device = 1000,
        opt_pty,
        opt_link,
        opt_baud,
        opt_parity,
        opt_stop,
        opt_wire,
        opt_trace,
        opt_scenario,
        opt_seed,
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
        { "trace", no_argument, nullptr, opt_trace },
        { "scenario", required_argument, nullptr, opt_scenario },
        { "seed", required_argument, nullptr, opt_seed },
        { "help", no_argument, nullptr, opt_help },
    };
    // Every converter setting is also an option: in1.type becomes --in1-type.
    std::vector<std::string> setting_names;
    for (const std::string &key : sim::setting_keys()) {
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
    int c = 0;
    while ((c = getopt_long(argc, argv, "", longs.data(), nullptr)) != -1) {
        const std::string arg = optarg ? optarg : "";
        char *end = nullptr;
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
        case opt_baud: {
            const long baud = std::strtol(arg.c_str(), &end, 10);
            if (arg.empty() || *end != '\0' || baud < 50 || baud > 4000000)
                fail("bad value '" + arg + "' for --baud");
            o.baud = int(baud);
            break;
        }
        case opt_parity:
            if (arg == "none")
                o.parity = 'N';
            else if (arg == "even")
                o.parity = 'E';
            else if (arg == "odd")
                o.parity = 'O';
            else
                fail("bad value '" + arg + "' for --parity (none, even or odd)");
            break;
        case opt_stop:
            if (arg != "1" && arg != "2")
                fail("bad value '" + arg + "' for --stop-bits (1 or 2)");
            o.stop_bits = arg == "1" ? 1 : 2;
            break;
        case opt_wire:
            o.wire_timing = true;
            break;
        case opt_trace:
            o.trace = true;
            break;
        case opt_scenario:
            o.scenario_file = arg;
            break;
        case opt_seed: {
            const unsigned long seed = std::strtoul(arg.c_str(), &end, 0);
            if (arg.empty() || *end != '\0')
                fail("bad value '" + arg + "' for --seed");
            o.seed = unsigned(seed);
            break;
        }
        case opt_help:
            std::fputs(usage_text, stdout);
            std::exit(0);
        case '?':
            if (optopt == 0)
                fail(std::string("unknown option '") + argv[optind - 1] + "' (see --help)");
            fail(std::string("option '") + argv[optind - 1] + "' needs a value (see --help)");
            break;
        default: {
            std::string error;
            if (c >= opt_setting
                && !sim::apply_setting(o.state, sim::setting_keys()[size_t(c - opt_setting)], arg,
                                       error))
                fail(error);
            break;
        }
        }
    }
    if (optind < argc)
        fail(std::string("unexpected argument '") + argv[optind] + "' (see --help)");
    if (o.pty == !o.device.empty())
        fail("give either --device PATH or --pty (see --help)");
    if (!o.link.empty() && !o.pty)
        fail("--link goes with --pty");
    return o;
}

class simulator
{
public:
    explicit simulator(options o)
        : opts(std::move(o))
        , state(opts.state)
        , rng(opts.seed)
    {
        const int bits = 1 + 8 + (opts.parity == 'N' ? 0 : 1) + opts.stop_bits;
        char_ms = 1000.0 * bits / opts.baud;
    }

    ~simulator()
    {
        if (shadow)
            modbus_free(shadow);
        if (ctx) {
            if (!opts.pty)
                modbus_close(ctx);
            modbus_free(ctx);
        }
        if (mapping)
            modbus_mapping_free(mapping);
        for (int fd : { pipe_fds[0], pipe_fds[1], pty_master, pty_slave })
            if (fd >= 0)
                close(fd);
        if (!opts.link.empty())
            unlink(opts.link.c_str());
    }

    void load_scenario()
    {
        if (opts.scenario_file.empty())
            return;
        std::ifstream in(opts.scenario_file);
        if (!in)
            fail("cannot read scenario '" + opts.scenario_file + "'");
        std::string error;
        if (!sim::parse_scenario(in, script, error))
            fail(opts.scenario_file + ": " + error);
        done.assign(script.steps.size(), false);
    }

    void open_port()
    {
        if (opts.pty) {
            open_pty();
            ctx = modbus_new_rtu(slave_path.c_str(), opts.baud, opts.parity, 8, opts.stop_bits);
            if (!ctx)
                fail("cannot create the Modbus context");
            modbus_set_socket(ctx, pty_master);
            fd = pty_master;
        } else {
            ctx = modbus_new_rtu(opts.device.c_str(), opts.baud, opts.parity, 8, opts.stop_bits);
            if (!ctx)
                fail("bad serial settings for '" + opts.device + "'");
            if (modbus_connect(ctx) == -1)
                fail("cannot open '" + opts.device + "': " + modbus_strerror(errno));
            fd = modbus_get_socket(ctx);
        }
        modbus_set_slave(ctx, state.address);
        // Short time-outs: a long response time-out delays exception replies and swallows
        // the request that follows one addressed to another slave.
        modbus_set_response_timeout(ctx, 0, 20000);
        modbus_set_byte_timeout(ctx, 0, uint32_t(std::max(20.0, 5 * char_ms) * 1000));
        modbus_set_error_recovery(ctx, MODBUS_ERROR_RECOVERY_NONE);

        // Replies are built by libmodbus into a pipe, then sent by hand.
        if (pipe(pipe_fds) != 0)
            fail("cannot create a pipe");
        fcntl(pipe_fds[0], F_SETFL, O_NONBLOCK);
        shadow = modbus_new_rtu("/dev/null", opts.baud, opts.parity, 8, opts.stop_bits);
        if (!shadow)
            fail("cannot create the Modbus context");
        modbus_set_socket(shadow, pipe_fds[1]);
        modbus_set_response_timeout(shadow, 0, 20000);
        mapping = modbus_mapping_new_start_address(0, 8, 0, 0, 0, 0, 0, 55);
        if (!mapping)
            fail("cannot allocate the Modbus data");

        std::printf("%s\n", opts.link.empty() ? slave_path.c_str() : opts.link.c_str());
        std::fflush(stdout);
    }

    int run()
    {
        origin = now_ms();
        std::vector<uint8_t> request(MODBUS_RTU_MAX_ADU_LENGTH);
        while (!stop_requested) {
            run_due_steps();
            const double now = now_ms();
            if (now < noise_until)
                write_noise();
            pollfd p { fd, POLLIN, 0 };
            const int ready = poll(&p, 1, now < noise_until ? 5 : 10);
            if (ready < 0) {
                if (errno == EINTR)
                    continue;
                fail(std::string("poll: ") + std::strerror(errno));
            }
            if (ready == 0)
                continue;
            if (p.revents & (POLLHUP | POLLERR | POLLNVAL)) {
                std::fprintf(stderr, "orte-sim: the serial device has gone\n");
                return 1;
            }
            const double received_at = now_ms();
            const int length = modbus_receive(ctx, request.data());
            if (length < 0) {
                if (errno == EIO || errno == ECONNRESET || errno == EBADF || errno == ENXIO) {
                    std::fprintf(stderr, "orte-sim: the serial device has gone\n");
                    return 1;
                }
                continue; // a bad CRC or a broken frame: keep serving
            }
            if (length == 0) {
                // Addressed to another slave: libmodbus now expects that slave's reply and
                // would swallow the next frame as one. Let that wait run out now (the response
                // time-out is short) rather than on the monitor's next request.
                modbus_receive(ctx, request.data());
                continue;
            }
            handle_request(request.data(), length, received_at);
        }
        return 0;
    }

private:
    void open_pty()
    {
        pty_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (pty_master < 0 || grantpt(pty_master) != 0 || unlockpt(pty_master) != 0)
            fail("cannot create a virtual serial port");
        const char *name = ptsname(pty_master);
        if (!name)
            fail("cannot create a virtual serial port");
        slave_path = name;
        // Holding the other end open ourselves keeps the pair alive while the monitor
        // closes and reopens it.
        pty_slave = open(name, O_RDWR | O_NOCTTY);
        if (pty_slave < 0)
            fail("cannot open '" + slave_path + "'");
        termios t {};
        tcgetattr(pty_slave, &t);
        cfmakeraw(&t);
        tcsetattr(pty_slave, TCSANOW, &t);
        fcntl(pty_master, F_SETFL, fcntl(pty_master, F_GETFL) | O_NONBLOCK);
        if (!opts.link.empty()) {
            unlink(opts.link.c_str());
            if (symlink(name, opts.link.c_str()) != 0)
                fail("cannot create link '" + opts.link + "': " + std::strerror(errno));
        }
    }

    void trace(const char *what, const uint8_t *data, size_t n, double at)
    {
        if (!opts.trace)
            return;
        std::string hex;
        char buf[4];
        for (size_t i = 0; i < n; ++i) {
            std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", data[i]);
            hex += buf;
        }
        std::printf("%.3f %s %s\n", at - origin, what, hex.c_str());
        std::fflush(stdout);
    }

    void run_step(size_t i)
    {
        const sim::step &s = script.steps[i];
        done[i] = true;
        if (opts.trace) {
            std::printf("%.3f step %d\n", now_ms() - origin, s.line);
            std::fflush(stdout);
        }
        const double now = now_ms();
        std::string error;
        switch (s.kind) {
        case sim::action_kind::set:
            sim::apply_setting(state, s.key, s.value, error);
            if (s.key == "address")
                modbus_set_slave(ctx, state.address);
            break;
        case sim::action_kind::silent:
            silent_left += s.count;
            break;
        case sim::action_kind::garbage:
            garbage_bytes = s.count;
            break;
        case sim::action_kind::corrupt:
            corrupt_next = true;
            break;
        case sim::action_kind::exception:
            exception_code = int(s.count);
            break;
        case sim::action_kind::wrong_length:
            wrong_length_next = true;
            break;
        case sim::action_kind::split:
            split_at = s.count;
            split_ms = s.millis;
            break;
        case sim::action_kind::delay:
            delay_ms = s.millis;
            break;
        case sim::action_kind::stray: {
            std::vector<uint8_t> bytes = random_bytes(size_t(s.count));
            write_all(bytes.data(), bytes.size());
            trace("tx", bytes.data(), bytes.size(), now);
            break;
        }
        case sim::action_kind::noise:
            noise_until = now + s.seconds * 1000.0;
            break;
        case sim::action_kind::dropout:
            dropout_until = now + s.seconds * 1000.0;
            break;
        case sim::action_kind::repeat:
            origin = now;
            request_count = 0;
            done.assign(done.size(), false);
            break;
        }
    }

    // Runs every step that is due: by time since the start, or by the request just counted.
    void run_due_steps()
    {
        const double elapsed = (now_ms() - origin) / 1000.0;
        for (size_t i = 0; i < script.steps.size(); ++i) {
            const sim::step &s = script.steps[i];
            const bool due = s.by_request ? s.at_request == request_count : s.at_seconds <= elapsed;
            if (done[i] || !due)
                continue;
            run_step(i);
            if (s.kind == sim::action_kind::repeat)
                return;
        }
    }

    std::vector<uint8_t> random_bytes(size_t n)
    {
        std::uniform_int_distribution<int> byte(0, 255);
        std::vector<uint8_t> bytes(n);
        for (uint8_t &b : bytes)
            b = uint8_t(byte(rng));
        return bytes;
    }

    void write_noise()
    {
        // Bytes at the line's own rate, in 5 ms bursts.
        const double now = now_ms();
        if (last_noise == 0 || now - last_noise > 50)
            last_noise = now - 5;
        const size_t n = size_t((now - last_noise) / char_ms);
        if (n == 0)
            return;
        last_noise += double(n) * char_ms;
        std::vector<uint8_t> bytes = random_bytes(std::min<size_t>(n, 512));
        write_all(bytes.data(), bytes.size());
    }

    void write_all(const uint8_t *data, size_t n)
    {
        while (n > 0 && !stop_requested) {
            const ssize_t written = write(fd, data, n);
            if (written > 0) {
                data += written;
                n -= size_t(written);
            } else if (written < 0 && (errno == EAGAIN || errno == EINTR)) {
                pollfd p { fd, POLLOUT, 0 };
                poll(&p, 1, 10);
            } else {
                return;
            }
        }
    }

    std::vector<uint8_t> build_reply(const uint8_t *request, int length)
    {
        const auto regs = sim::input_registers(state);
        std::copy(regs.begin(), regs.end(), mapping->tab_input_registers);
        const auto bits = sim::coils(state);
        std::copy(bits.begin(), bits.end(), mapping->tab_bits);

        const int function = request[1];
        const int start = (request[2] << 8) | request[3];
        const int count = (request[4] << 8) | request[5];
        if (wrong_length_next) {
            wrong_length_next = false;
            std::vector<uint8_t> frame { request[0], uint8_t(function), 2, 0, 0 };
            sim::append_crc(frame);
            return frame;
        }
        int rc = 0;
        if (exception_code > 0) {
            rc = modbus_reply_exception(shadow, request, unsigned(exception_code));
            exception_code = 0;
        } else if (function != MODBUS_FC_READ_INPUT_REGISTERS && function != MODBUS_FC_READ_COILS) {
            rc = modbus_reply_exception(shadow, request, MODBUS_EXCEPTION_ILLEGAL_FUNCTION);
        } else if ((function == MODBUS_FC_READ_INPUT_REGISTERS
                    && !sim::input_registers_exist(start, count))
                   || (function == MODBUS_FC_READ_COILS && !sim::coils_exist(start, count))) {
            rc = modbus_reply_exception(shadow, request, MODBUS_EXCEPTION_ILLEGAL_DATA_ADDRESS);
        } else {
            rc = modbus_reply(shadow, request, length, mapping);
        }
        std::vector<uint8_t> reply(MODBUS_RTU_MAX_ADU_LENGTH);
        const ssize_t n = rc > 0 ? read(pipe_fds[0], reply.data(), reply.size()) : 0;
        reply.resize(n > 0 ? size_t(n) : 0);
        return reply;
    }

    void handle_request(const uint8_t *request, int length, double received_at)
    {
        trace("rx", request, size_t(length), received_at);
        ++request_count;
        run_due_steps();
        const double now = now_ms();
        if (now < dropout_until || now < noise_until)
            return;
        if (silent_left > 0) {
            --silent_left;
            return;
        }
        std::vector<uint8_t> reply;
        if (garbage_bytes > 0) {
            reply = random_bytes(size_t(garbage_bytes));
            garbage_bytes = 0;
            // Random bytes that happen to form a valid frame would not be garbage.
            std::vector<uint8_t> body(reply.begin(),
                                      reply.end() - std::min<size_t>(2, reply.size()));
            sim::append_crc(body);
            if (body == reply)
                reply.back() ^= 0xFF;
        } else {
            reply = build_reply(request, length);
        }
        if (reply.empty())
            return;
        if (corrupt_next) {
            corrupt_next = false;
            reply[reply.size() / 2] ^= 0x5A;
        }
        send_reply(reply, size_t(length), received_at);
    }

    void send_reply(const std::vector<uint8_t> &reply, size_t request_length, double received_at)
    {
        const size_t split = split_at > 0 ? std::min(size_t(split_at), reply.size()) : reply.size();
        const double pause = split_at > 0 ? double(split_ms) : 0.0;
        const double delay = double(delay_ms);
        split_at = 0;
        delay_ms = 0;

        if (opts.wire_timing) {
            // The request took its own length on the wire; the slave then keeps 3.5
            // characters of silence, and each byte of the reply takes one character time.
            double t = received_at + (double(request_length) + 3.5) * char_ms + delay;
            for (size_t i = 0; i < reply.size() && !stop_requested; ++i) {
                if (i == split)
                    t += pause;
                t += char_ms;
                sleep_until_ms(t);
                write_all(&reply[i], 1);
                trace("tx", &reply[i], 1, now_ms());
            }
            return;
        }
        if (delay > 0)
            sleep_until_ms(now_ms() + delay);
        write_all(reply.data(), split);
        trace("tx", reply.data(), split, now_ms());
        if (split < reply.size()) {
            sleep_until_ms(now_ms() + pause);
            write_all(reply.data() + split, reply.size() - split);
            trace("tx", reply.data() + split, reply.size() - split, now_ms());
        }
    }

    options opts;
    sim::converter_state state;
    sim::scenario script;
    std::vector<bool> done;
    std::mt19937 rng;
    double char_ms = 1.0;

    modbus_t *ctx = nullptr;
    modbus_t *shadow = nullptr;
    modbus_mapping_t *mapping = nullptr;
    int fd = -1;
    int pipe_fds[2] = { -1, -1 };
    int pty_master = -1;
    int pty_slave = -1;
    std::string slave_path;

    double origin = 0;
    long request_count = 0;
    long silent_left = 0;
    long garbage_bytes = 0;
    bool corrupt_next = false;
    int exception_code = 0;
    bool wrong_length_next = false;
    long split_at = 0;
    long split_ms = 0;
    long delay_ms = 0;
    double noise_until = 0;
    double dropout_until = 0;
    double last_noise = 0;
};

} // namespace

int main(int argc, char **argv)
{
    options opts = parse_options(argc, argv);

    struct sigaction action
    {
    };
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    simulator converter(std::move(opts));
    converter.load_scenario();
    converter.open_port();
    return converter.run();
}
