#include "sim/line.h"

#include "sim/framing.h"
#include "sim/numbers.h"

#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>

namespace sim {

volatile sig_atomic_t stop_requested = 0;

void catch_stop_signals()
{
    struct sigaction action
    {
    };
    action.sa_handler = [](int) { stop_requested = 1; };
    sigemptyset(&action.sa_mask);
    for (int signal : { SIGINT, SIGTERM, SIGHUP })
        sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

namespace {
struct speed_entry
{
    int baud;
    speed_t code;
};

constexpr speed_entry speeds[] = {
    { 50, B50 },           { 75, B75 },           { 110, B110 },         { 134, B134 },
    { 150, B150 },         { 200, B200 },         { 300, B300 },         { 600, B600 },
    { 1200, B1200 },       { 1800, B1800 },       { 2400, B2400 },       { 4800, B4800 },
    { 9600, B9600 },       { 19200, B19200 },     { 38400, B38400 },     { 57600, B57600 },
    { 115200, B115200 },   { 230400, B230400 },   { 460800, B460800 },   { 500000, B500000 },
    { 576000, B576000 },   { 921600, B921600 },   { 1000000, B1000000 }, { 1152000, B1152000 },
    { 1500000, B1500000 }, { 2000000, B2000000 }, { 2500000, B2500000 }, { 3000000, B3000000 },
    { 3500000, B3500000 }, { 4000000, B4000000 },
};

bool speed_code(int baud, speed_t &code)
{
    for (const speed_entry &s : speeds)
        if (s.baud == baud) {
            code = s.code;
            return true;
        }
    return false;
}

int speed_baud(speed_t code)
{
    for (const speed_entry &s : speeds)
        if (s.code == code)
            return s.baud;
    return 0;
}

// Raw 8-bit characters with the given speed, parity and stop bits.
bool apply(int fd, const orte::line_format &settings)
{
    termios t {};
    speed_t code {};
    if (tcgetattr(fd, &t) != 0 || !speed_code(settings.baud, code))
        return false;
    cfmakeraw(&t);
    cfsetispeed(&t, code);
    cfsetospeed(&t, code);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSTOPB | PARENB | PARODD | CRTSCTS);
    if (settings.stop_bits == 2)
        t.c_cflag |= CSTOPB;
    if (settings.parity != 'N')
        t.c_cflag |= PARENB;
    if (settings.parity == 'O')
        t.c_cflag |= PARODD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

bool wait_readable(int fd, double ms)
{
    pollfd p { fd, POLLIN, 0 };
    timespec ts {};
    ts.tv_sec = time_t(ms / 1000.0);
    ts.tv_nsec = long((ms - double(ts.tv_sec) * 1000.0) * 1e6);
    return ppoll(&p, 1, &ts, nullptr) > 0;
}
} // namespace

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

serial_line::serial_line(const orte::line_format &s)
    : settings(s)
{
}

serial_line::~serial_line()
{
    // Our link only: something else put there since is left alone.
    struct stat st
    {
    };
    if (!link_path.empty() && lstat(link_path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char target[4096] = {};
        const ssize_t n = readlink(link_path.c_str(), target, sizeof target - 1);
        if (n > 0 && port_path == std::string(target, size_t(n)))
            unlink(link_path.c_str());
    }
    for (int f : { fd, pty_slave })
        if (f >= 0)
            close(f);
}

bool serial_line::open_device(const std::string &path, std::string &error)
{
    port_path = path;
    fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = "cannot open '" + path + "': " + std::strerror(errno);
        return false;
    }
    if (!apply(fd, settings)) {
        error = "cannot set " + settings.text() + " on '" + path + "'";
        return false;
    }
    tcflush(fd, TCIOFLUSH);
    return true;
}

bool serial_line::open_pty(const std::string &link, std::string &error)
{
    struct stat st
    {
    };
    // Only a link that leads nowhere is replaced: one to a file is somebody's, and one to a
    // live port is most likely another simulator's, which the user would lose silently.
    if (!link.empty() && lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) {
            error = quoted(link) + " exists and is not a symbolic link: not replaced";
            return false;
        }
        if (stat(link.c_str(), &st) == 0) {
            error = quoted(link) + " leads to "
                + (S_ISCHR(st.st_mode) ? "a live port (another simulator?)" : "an existing file")
                + ": not replaced; remove it if it is stale";
            return false;
        }
    }
    fd = posix_openpt(O_RDWR | O_NOCTTY);
    const char *name = fd >= 0 && grantpt(fd) == 0 && unlockpt(fd) == 0 ? ptsname(fd) : nullptr;
    if (!name) {
        error = "cannot create a virtual serial port";
        return false;
    }
    port_path = name;
    // Holding the other end open ourselves keeps the pair alive while the master closes and
    // reopens it, and shows us the settings the master opens it with.
    // No parity bits to begin with: masters that ask for none clear only PARENB, so a PARODD
    // of ours would make them all look odd.
    orte::line_format plain = settings;
    plain.parity = 'N';
    pty_slave = open(name, O_RDWR | O_NOCTTY);
    if (pty_slave < 0 || !apply(pty_slave, plain)) {
        error = "cannot open '" + port_path + "'";
        return false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    if (!link.empty()) {
        unlink(link.c_str());
        if (symlink(name, link.c_str()) != 0) {
            error = "cannot create link '" + link + "': " + std::strerror(errno);
            return false;
        }
        link_path = link;
    }
    return true;
}

std::vector<uint8_t>
serial_line::read_frame(int wait_ms, double &first_at, bool &gone,
                        const std::function<void(const uint8_t *, size_t)> &heard)
{
    std::vector<uint8_t> frame;
    gone = false;
    pollfd p { fd, POLLIN, 0 };
    const int ready = poll(&p, 1, wait_ms);
    if (ready <= 0)
        return frame;
    first_at = now_ms();
    const double gap = orte::frame_gap_ms(settings);
    uint8_t buffer[512];
    do {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n > 0) {
            frame.insert(frame.end(), buffer, buffer + n);
            if (heard)
                heard(buffer, size_t(n));
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            // A pty master reads EIO while nobody has the other end open: that is no loss.
            if (pty_slave < 0)
                gone = true;
            break;
        }
        // A line that never falls quiet still yields frames now and then.
    } while (frame.size() < 1024 && !stop_requested && wait_readable(fd, gap));
    return frame;
}

void serial_line::write_all(const uint8_t *data, size_t n)
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

bool serial_line::other_side(orte::line_format &theirs) const
{
    termios t {};
    if (pty_slave < 0 || tcgetattr(pty_slave, &t) != 0)
        return false;
    theirs.baud = speed_baud(cfgetospeed(&t));
    theirs.stop_bits = (t.c_cflag & CSTOPB) ? 2 : 1;
    // The pty driver clears PARENB: odd parity shows, and even where the other side asks for
    // parity checks (INPCK), as a listener does.
    theirs.parity = (t.c_cflag & PARODD)              ? 'O'
        : (t.c_cflag & PARENB) || (t.c_iflag & INPCK) ? 'E'
                                                      : 'N';
    return true;
}

bool serial_line::change_format(const orte::line_format &format)
{
    settings = format;
    return pty_slave >= 0 || apply(fd, settings);
}

std::string serial_line::settings_mismatch() const
{
    orte::line_format theirs;
    if (!other_side(theirs))
        return {};
    const bool ours_odd = settings.parity == 'O';
    if (theirs.baud == settings.baud && theirs.stop_bits == settings.stop_bits
        && (theirs.parity == 'O') == ours_odd)
        return {};
    return settings.text() + " vs " + theirs.text();
}

void serial_line::send_reply(const std::vector<uint8_t> &reply, size_t request_length,
                             double received_at, double delay_ms, size_t split_at, double split_ms,
                             bool wire_timing, const written_fn &written)
{
    const size_t split = split_at > 0 ? split_at : reply.size();
    if (wire_timing) {
        const double char_ms = orte::char_time_ms(settings);
        double t = received_at + (double(request_length) + 3.5) * char_ms + delay_ms;
        for (size_t i = 0; i < reply.size() && !stop_requested; ++i) {
            if (i == split)
                t += split_ms;
            t += char_ms;
            sleep_until_ms(t);
            write_all(&reply[i], 1);
            written(&reply[i], 1, now_ms());
        }
        return;
    }
    if (delay_ms > 0)
        sleep_until_ms(now_ms() + delay_ms);
    write_all(reply.data(), split);
    written(reply.data(), split, now_ms());
    if (split < reply.size()) {
        sleep_until_ms(now_ms() + split_ms);
        write_all(reply.data() + split, reply.size() - split);
        written(reply.data() + split, reply.size() - split, now_ms());
    }
}

} // namespace sim
