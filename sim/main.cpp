// orte-sim: a simulated ОРТЕ-473 converter (or several on one line), a Modbus RTU slave on a
// serial device or on a virtual serial port of its own, or a Modbus TCP server, with scripted
// faults. This file only wires the parts: the line, the framing, the slave, the faults and the
// scenario.

#include "sim/cli.h"
#include "sim/faults.h"
#include "sim/framing.h"
#include "sim/line.h"
#include "sim/modbus_slave.h"
#include "sim/scenario_runner.h"
#include "sim/tap.h"
#include "sim/tcp_server.h"
#include "sim/trace.h"

#include <algorithm>
#include <cstdio>

namespace {

class simulator
{
public:
    explicit simulator(sim::options o)
        : opts(std::move(o))
        , states(sim::converters_of(opts))
        , rng(opts.seed)
        , line(opts.line)
        , tap(opts.line, opts.tap_chunk_ms, opts.tap_drops)
    {
        trace.on = opts.trace;
    }

    bool start(std::string &error)
    {
        sim::scenario script;
        if (!opts.scenario_file.empty()
            && !sim::load_scenario_file(opts.scenario_file, script, error))
            return false;
        if (opts.tcp_port >= 0) {
            if (!server.open(opts.tcp_port, error))
                return false;
        } else if (!(opts.pty ? line.open_pty(opts.link, error)
                              : line.open_device(opts.device, error))) {
            return false;
        }
        if (!opts.tap.empty() && !tap.open(opts.tap, error))
            return false;
        std::printf("%s\n", opts.tcp_port >= 0 ? server.name().c_str() : line.name().c_str());
        std::fflush(stdout);
        runner = sim::scenario_runner(std::move(script), sim::now_ms());
        trace.origin = sim::now_ms();
        return true;
    }

    int run()
    {
        if (opts.tcp_port >= 0)
            return serve_tcp();
        while (!sim::stop_requested) {
            run_steps(runner.due(sim::now_ms()));
            const bool noisy = sim::now_ms() < faults.noise_until;
            if (noisy)
                write_noise();
            double first_at = 0;
            bool gone = false;
            const std::vector<uint8_t> chunk
                = line.read_frame(noisy ? 5 : 10, first_at, gone,
                                  [this](const uint8_t *data, size_t n) { tap.copy(data, n); });
            if (gone) {
                std::fprintf(stderr, "orte-sim: the serial device has gone\n");
                return 1;
            }
            listen_to_tap();
            if (chunk.empty())
                continue;
            for (const std::vector<uint8_t> &frame : sim::split_frames(chunk)) {
                handle_frame(frame, first_at);
                first_at = sim::now_ms(); // when a glued frame's rest came is unknown: now
            }
        }
        return 0;
    }

private:
    // The converter at `address`; null where there is none.
    sim::converter_state *at(int address)
    {
        for (sim::converter_state &s : states)
            if (s.address == address)
                return &s;
        return nullptr;
    }

    int serve_tcp()
    {
        while (!sim::stop_requested) {
            run_steps(runner.due(sim::now_ms()));
            for (const sim::tcp_server::request &r : server.take(10)) {
                const double now = sim::now_ms();
                sim::converter_state *state = at(r.rtu[0]);
                if (!state) {
                    // A gateway says that nobody answered at that unit id.
                    trace.frame("rx?", r.rtu.data(), r.rtu.size(), now, "no converter there");
                    server.reply(r, sim::exception_reply(r.rtu, 0x0B));
                    continue;
                }
                trace.frame("rx", r.rtu.data(), r.rtu.size(), now);
                run_steps(runner.request_arrived(now));
                const sim::reply_plan plan = sim::plan_reply(r.rtu, *state, faults, now, rng);
                if (plan.bytes.empty())
                    continue;
                sim::sleep_until_ms(now + plan.delay_ms);
                trace.frame("tx", plan.bytes.data(), plan.bytes.size(), sim::now_ms());
                server.reply(r, plan.bytes);
            }
        }
        return 0;
    }

    void handle_frame(const std::vector<uint8_t> &frame, double first_at)
    {
        // A real line at other settings delivers garbage, which no converter answers.
        const std::string mismatch = opts.pty && !opts.any_settings ? line.settings_mismatch() : "";
        if (mismatch != last_mismatch && !mismatch.empty())
            trace.line("line settings differ: " + mismatch, sim::now_ms());
        last_mismatch = mismatch;
        sim::converter_state *state = frame.empty() ? nullptr : at(frame[0]);
        const sim::frame_verdict verdict
            = sim::check_frame(frame, state ? state->address : states[0].address);
        if (!mismatch.empty() || verdict != sim::frame_verdict::request) {
            trace.frame("rx?", frame.data(), frame.size(), first_at,
                        mismatch.empty() ? sim::verdict_text(verdict) : "line settings differ");
            return;
        }
        trace.frame("rx", frame.data(), frame.size(), first_at);
        run_steps(runner.request_arrived(sim::now_ms()));
        const sim::reply_plan plan = sim::plan_reply(frame, *state, faults, sim::now_ms(), rng);
        if (plan.bytes.empty())
            return;
        line.send_reply(plan.bytes, frame.size(), first_at, plan.delay_ms, plan.split_at,
                        plan.split_ms, opts.wire_timing,
                        [this](const uint8_t *data, size_t n, double at) {
                            tap.copy(data, n);
                            trace.frame("tx", data, n, at);
                        });
    }

    void run_steps(const std::vector<sim::step> &steps)
    {
        for (const sim::step &s : steps) {
            const double now = sim::now_ms();
            if (s.kind == sim::action_kind::repeat)
                trace.origin = now;
            trace.line("step " + std::to_string(s.line) + " " + sim::action_name(s.kind), now);
            sim::converter_state *target = s.address > 0 ? at(s.address) : &states[0];
            if (!target) {
                trace.line("step " + std::to_string(s.line) + ": no converter at "
                               + std::to_string(s.address),
                           now);
                continue;
            }
            sim::apply_step(s, *target, faults, now);
            if (target->line_changed) {
                target->line_changed = false;
                opts.line = target->line;
                line.change_format(opts.line);
                tap.change_line(opts.line);
                trace.line("line settings now " + opts.line.text(), now);
            }
            if (s.kind == sim::action_kind::stray) {
                const std::vector<uint8_t> bytes = sim::random_bytes(size_t(s.count), rng);
                line.write_all(bytes.data(), bytes.size());
                tap.copy(bytes.data(), bytes.size());
                trace.frame("tx", bytes.data(), bytes.size(), now);
            }
        }
    }

    void write_noise()
    {
        const size_t n
            = sim::noise_bytes_due(sim::now_ms(), last_noise, orte::char_time_ms(opts.line));
        const std::vector<uint8_t> bytes = sim::random_bytes(n, rng);
        line.write_all(bytes.data(), bytes.size());
        tap.copy(bytes.data(), bytes.size());
    }

    // A listener never transmits: whatever comes from the tap is said.
    void listen_to_tap()
    {
        const std::vector<uint8_t> written = tap.written_to_it();
        if (!written.empty())
            trace.frame("tap rx!", written.data(), written.size(), sim::now_ms());
    }

    sim::options opts;
    std::vector<sim::converter_state> states;
    std::mt19937 rng;
    sim::serial_line line;
    sim::bus_tap tap;
    sim::tcp_server server;
    sim::scenario_runner runner;
    sim::pending_faults faults;
    std::string last_mismatch;
    sim::tracer trace;
    double last_noise = 0;
};

} // namespace

int main(int argc, char **argv)
{
    sim::options opts;
    std::string error;
    const sim::command command = sim::parse_command_line(argc, argv, opts, error);
    if (command == sim::command::help)
        std::fputs(sim::usage_text, stdout);
    if (command != sim::command::run) {
        if (command == sim::command::error)
            std::fprintf(stderr, "orte-sim: %s\n", error.c_str());
        return command == sim::command::error ? 2 : 0;
    }
    sim::catch_stop_signals();
    simulator converter(std::move(opts));
    if (!converter.start(error)) {
        std::fprintf(stderr, "orte-sim: %s\n", error.c_str());
        return 2;
    }
    return converter.run();
}
