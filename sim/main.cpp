// orte-sim: a simulated ОРТЕ-473 converter, a Modbus RTU slave on a serial device or on a
// virtual serial port of its own, with scripted faults. Frames are told apart by the silence
// between them; replies are planned by the fault planner and written by hand, so that they can
// be paced like a real line, delayed, split or spoiled on purpose.

#include "sim/cli.h"
#include "sim/fault_planner.h"
#include "sim/line.h"
#include "sim/scenario.h"

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

void on_signal(int)
{
    sim::stop_requested = 1;
}

int fail(const std::string &message)
{
    std::fprintf(stderr, "orte-sim: %s\n", message.c_str());
    return 2;
}

class simulator
{
public:
    explicit simulator(sim::options o)
        : opts(std::move(o))
        , state(opts.state)
        , rng(opts.seed)
        , line(opts.line)
        , char_ms(sim::char_ms(opts.line))
    {
    }

    bool load_scenario(std::string &error)
    {
        if (opts.scenario_file.empty())
            return true;
        if (!sim::load_scenario_file(opts.scenario_file, script, error))
            return false;
        done.assign(script.steps.size(), false);
        return true;
    }

    bool open(std::string &error)
    {
        const bool opened
            = opts.pty ? line.open_pty(opts.link, error) : line.open_device(opts.device, error);
        if (!opened)
            return false;
        std::printf("%s\n", line.name().c_str());
        std::fflush(stdout);
        return true;
    }

    int run()
    {
        origin = sim::now_ms();
        while (!sim::stop_requested) {
            run_due_steps();
            const bool noisy = sim::now_ms() < faults.noise_until;
            if (noisy)
                write_noise();
            double first_at = 0;
            bool gone = false;
            const std::vector<uint8_t> frame = line.read_frame(noisy ? 5 : 10, first_at, gone);
            if (gone) {
                std::fprintf(stderr, "orte-sim: the serial device has gone\n");
                return 1;
            }
            if (!frame.empty())
                handle_chunk(frame, first_at);
        }
        return 0;
    }

private:
    void trace_line(const std::string &text, double at)
    {
        if (!opts.trace)
            return;
        std::printf("%.3f %s\n", at - origin, text.c_str());
        std::fflush(stdout);
    }

    void trace(const char *what, const uint8_t *data, size_t n, double at,
               const char *why = nullptr)
    {
        if (!opts.trace)
            return;
        std::string text = what;
        char buf[4];
        for (size_t i = 0; i < n; ++i) {
            std::snprintf(buf, sizeof buf, " %02X", data[i]);
            text += buf;
        }
        if (why)
            text += std::string(" (") + why + ")";
        trace_line(text, at);
    }

    // A real line at other settings delivers garbage, which no converter answers.
    bool line_settings_agree()
    {
        if (!opts.pty || opts.any_settings)
            return true;
        const std::string mismatch = line.settings_mismatch();
        if (mismatch != last_mismatch && !mismatch.empty())
            trace_line("line settings differ: " + mismatch, sim::now_ms());
        last_mismatch = mismatch;
        return mismatch.empty();
    }

    void handle_chunk(std::vector<uint8_t> chunk, double first_at)
    {
        while (const size_t n = sim::glued_frame_length(chunk)) {
            handle_frame(std::vector<uint8_t>(chunk.begin(), chunk.begin() + long(n)), first_at);
            chunk.erase(chunk.begin(), chunk.begin() + long(n));
            // When the rest came is unknown: it is here now.
            first_at = sim::now_ms();
        }
        handle_frame(chunk, first_at);
    }

    void handle_frame(const std::vector<uint8_t> &frame, double first_at)
    {
        if (!line_settings_agree()) {
            trace("rx?", frame.data(), frame.size(), first_at, "line settings differ");
            return;
        }
        const sim::frame_verdict verdict = sim::check_frame(frame, state.address);
        if (verdict != sim::frame_verdict::request) {
            trace("rx?", frame.data(), frame.size(), first_at, sim::verdict_text(verdict));
            return;
        }
        trace("rx", frame.data(), frame.size(), first_at);
        ++request_count;
        run_due_steps();
        const sim::reply_plan plan = sim::plan_reply(frame, state, faults, sim::now_ms(), rng);
        if (!plan.bytes.empty())
            send(plan, frame.size(), first_at);
    }

    void run_step(size_t i)
    {
        const sim::step &s = script.steps[i];
        done[i] = true;
        const double now = sim::now_ms();
        trace_line("step " + std::to_string(s.line) + " " + sim::action_name(s.kind), now);
        std::string error;
        switch (s.kind) {
        case sim::action_kind::set:
            sim::apply_setting(state, s.key, s.value, error);
            break;
        case sim::action_kind::silent:
            faults.silent_left += s.count;
            break;
        case sim::action_kind::garbage:
            faults.garbage_bytes = s.count;
            break;
        case sim::action_kind::corrupt:
            faults.corrupt_next = true;
            break;
        case sim::action_kind::exception:
            faults.exception_code = int(s.count);
            break;
        case sim::action_kind::wrong_length:
            faults.wrong_length_next = true;
            break;
        case sim::action_kind::split:
            faults.split_at = s.count;
            faults.split_ms = s.millis;
            break;
        case sim::action_kind::delay:
            faults.delay_ms = s.millis;
            break;
        case sim::action_kind::stray: {
            const std::vector<uint8_t> bytes = sim::random_bytes(size_t(s.count), rng);
            line.write_all(bytes.data(), bytes.size());
            trace("tx", bytes.data(), bytes.size(), now);
            break;
        }
        case sim::action_kind::noise:
            faults.noise_until = now + s.seconds * 1000.0;
            break;
        case sim::action_kind::dropout:
            faults.dropout_until = now + s.seconds * 1000.0;
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
        const double elapsed = (sim::now_ms() - origin) / 1000.0;
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

    void write_noise()
    {
        // Bytes at the line's own rate, in 5 ms bursts.
        const double now = sim::now_ms();
        if (last_noise == 0 || now - last_noise > 50)
            last_noise = now - 5;
        const size_t n = size_t((now - last_noise) / char_ms);
        if (n == 0)
            return;
        last_noise += double(n) * char_ms;
        const std::vector<uint8_t> bytes = sim::random_bytes(std::min<size_t>(n, 512), rng);
        line.write_all(bytes.data(), bytes.size());
    }

    void send(const sim::reply_plan &plan, size_t request_length, double received_at)
    {
        const std::vector<uint8_t> &reply = plan.bytes;
        const size_t split = plan.split_at > 0 ? plan.split_at : reply.size();
        if (opts.wire_timing) {
            // The request took its own length on the wire; the slave then keeps 3.5
            // characters of silence, and each byte of the reply takes one character time.
            double t = received_at + (double(request_length) + 3.5) * char_ms + plan.delay_ms;
            for (size_t i = 0; i < reply.size() && !sim::stop_requested; ++i) {
                if (i == split)
                    t += plan.split_ms;
                t += char_ms;
                sim::sleep_until_ms(t);
                line.write_all(&reply[i], 1);
                trace("tx", &reply[i], 1, sim::now_ms());
            }
            return;
        }
        if (plan.delay_ms > 0)
            sim::sleep_until_ms(sim::now_ms() + plan.delay_ms);
        line.write_all(reply.data(), split);
        trace("tx", reply.data(), split, sim::now_ms());
        if (split < reply.size()) {
            sim::sleep_until_ms(sim::now_ms() + plan.split_ms);
            line.write_all(reply.data() + split, reply.size() - split);
            trace("tx", reply.data() + split, reply.size() - split, sim::now_ms());
        }
    }

    sim::options opts;
    sim::converter_state state;
    sim::scenario script;
    std::vector<bool> done;
    std::mt19937 rng;
    sim::serial_line line;
    double char_ms = 1.0;
    sim::pending_faults faults;
    std::string last_mismatch;
    double origin = 0;
    long request_count = 0;
    double last_noise = 0;
};

} // namespace

int main(int argc, char **argv)
{
    sim::options opts;
    std::string error;
    switch (sim::parse_command_line(argc, argv, opts, error)) {
    case sim::command::help:
        std::fputs(sim::usage_text, stdout);
        return 0;
    case sim::command::error:
        return fail(error);
    case sim::command::run:
        break;
    }

    struct sigaction action
    {
    };
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    for (int signal : { SIGINT, SIGTERM, SIGHUP })
        sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    simulator converter(std::move(opts));
    if (!converter.load_scenario(error) || !converter.open(error))
        return fail(error);
    return converter.run();
}
