#include "sim/scenario.h"

#include "sim/converter.h"
#include "sim/numbers.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace sim {

namespace {
bool to_seconds(const std::string &text, double &out)
{
    errno = 0;
    char *end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || errno != 0 || *end != '\0' || !std::isfinite(value) || value < 0
        || value > 1e6)
        return false;
    out = value;
    return true;
}

struct action_rule
{
    const char *name;
    action_kind kind;
    size_t min_args;
    size_t max_args;
};

constexpr action_rule rules[] = {
    { "set", action_kind::set, 2, 3 },
    { "silent", action_kind::silent, 0, 1 },
    { "garbage", action_kind::garbage, 0, 1 },
    { "corrupt", action_kind::corrupt, 0, 0 },
    { "exception", action_kind::exception, 0, 1 },
    { "wrong-length", action_kind::wrong_length, 0, 0 },
    { "split", action_kind::split, 2, 2 },
    { "delay", action_kind::delay, 1, 1 },
    { "stray", action_kind::stray, 1, 1 },
    { "noise", action_kind::noise, 1, 1 },
    { "dropout", action_kind::dropout, 1, 1 },
    { "repeat", action_kind::repeat, 0, 0 },
};

bool parse_action(const std::vector<std::string> &words, step &s, std::string &error)
{
    const std::string &name = words[2];
    const action_rule *rule = nullptr;
    for (const action_rule &r : rules)
        if (name == r.name)
            rule = &r;
    if (!rule) {
        error = "unknown action " + quoted(name);
        return false;
    }
    const std::vector<std::string> args(words.begin() + 3, words.end());
    if (args.size() < rule->min_args || args.size() > rule->max_args) {
        error = "wrong number of arguments for '" + name + "'";
        return false;
    }
    s.kind = rule->kind;
    auto number = [&](size_t i, long min, long max, long &out) {
        if (parse_number(args[i], min, max, out))
            return true;
        error = "bad number " + quoted(args[i]) + " for '" + name + "'";
        return false;
    };
    switch (s.kind) {
    case action_kind::set: {
        converter_state probe;
        long address = 0;
        if (args.size() == 3 && !number(0, 1, 247, address))
            return false;
        s.address = int(address);
        s.key = args[args.size() - 2];
        s.value = args[args.size() - 1];
        return apply_setting(probe, s.key, s.value, error);
    }
    case action_kind::silent:
        s.count = 1;
        return args.empty() || number(0, 1, 1000000, s.count);
    case action_kind::garbage:
        s.count = 12;
        return args.empty() || number(0, 1, 4096, s.count);
    case action_kind::exception:
        s.count = 4;
        return args.empty() || number(0, 1, 255, s.count);
    case action_kind::split:
        return number(0, 1, 255, s.count) && number(1, 0, 60000, s.millis);
    case action_kind::delay:
        return number(0, 0, 60000, s.millis);
    case action_kind::stray:
        return number(0, 1, 4096, s.count);
    case action_kind::noise:
    case action_kind::dropout:
        if (to_seconds(args[0], s.seconds))
            return true;
        error = "bad duration " + quoted(args[0]) + " for '" + name + "'";
        return false;
    case action_kind::corrupt:
    case action_kind::wrong_length:
    case action_kind::repeat:
        return true;
    }
    return true;
}
} // namespace

const char *action_name(action_kind kind)
{
    for (const action_rule &r : rules)
        if (r.kind == kind)
            return r.name;
    return "?";
}

bool parse_scenario(std::istream &in, scenario &out, std::string &error)
{
    scenario result;
    std::string text;
    int line_no = 0;
    while (std::getline(in, text)) {
        ++line_no;
        if (line_no == 1 && text.compare(0, 3, "\xEF\xBB\xBF") == 0)
            text.erase(0, 3);
        const size_t hash = text.find('#');
        if (hash != std::string::npos)
            text.erase(hash);
        std::istringstream words_in(text);
        std::vector<std::string> words;
        for (std::string w; words_in >> w;)
            words.push_back(w);
        if (words.empty())
            continue;
        step s;
        s.line = line_no;
        std::string what;
        if (words.size() < 3) {
            what = "expected 'at SECONDS ACTION' or 'req N ACTION'";
        } else if (words[0] == "at") {
            if (!to_seconds(words[1], s.at_seconds))
                what = "bad time " + quoted(words[1]);
        } else if (words[0] == "req") {
            s.by_request = true;
            if (!parse_number(words[1], 1, 2000000000L, s.at_request))
                what = "bad request number " + quoted(words[1]);
        } else {
            what = "a step begins with 'at' or 'req', not " + quoted(words[0]);
        }
        if (what.empty())
            parse_action(words, s, what);
        if (!what.empty()) {
            error = "line " + std::to_string(line_no) + ": " + what;
            return false;
        }
        result.steps.push_back(s);
    }
    out = std::move(result);
    return true;
}

namespace {
// The whole content of an open file or pipe; false when a pipe has no writer or goes quiet.
bool read_all(int fd, bool pipe, std::string &text, std::string &why)
{
    char buffer[4096];
    for (bool first = true;; first = false) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, size_t(n));
            continue;
        }
        if (n == 0) {
            if (pipe && first) {
                why = "a pipe with no writer";
                return false;
            }
            return true;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN) {
            why = std::strerror(errno);
            return false;
        }
        pollfd p { fd, POLLIN, 0 };
        if (poll(&p, 1, 5000) <= 0) {
            why = "nothing came through the pipe for 5 s";
            return false;
        }
    }
}
} // namespace

bool load_scenario_file(const std::string &path, scenario &out, std::string &error)
{
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st
    {
    };
    std::string text;
    std::string why;
    bool read_ok = false;
    if (fd < 0)
        why = std::strerror(errno);
    else if (fstat(fd, &st) != 0 || !(S_ISREG(st.st_mode) || S_ISFIFO(st.st_mode)))
        why = "not a file or a pipe";
    else
        read_ok = read_all(fd, S_ISFIFO(st.st_mode), text, why);
    if (fd >= 0)
        close(fd);
    if (!read_ok) {
        error = "cannot read scenario " + quoted(path) + ": " + why;
        return false;
    }
    std::istringstream in(text);
    if (!parse_scenario(in, out, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

} // namespace sim
