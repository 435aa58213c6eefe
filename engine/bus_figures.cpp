#include "engine/bus_figures.h"

#include "engine/texts.h"
#include "link/frame_bytes.h"
#include "link/modbus.h"

#include <QStringList>

#include <algorithm>

namespace orte {

namespace {
// Request kinds kept by name; past that many (a master reading random ranges) the rest are
// counted together.
constexpr size_t request_kinds = 64;

using namespace modbus;

// A register, unsigned, high byte first.
int word(const QByteArray &bytes, int index)
{
    return rx_at(bytes, index) << 8 | rx_at(bytes, index + 1);
}
} // namespace

void latency_histogram::add(double ms)
{
    steps[size_t(std::min(4000.0, std::max(0.0, ms) * 2))]++;
    ++count;
    longest = std::max(longest, ms);
}

double latency_histogram::median() const
{
    quint64 seen = 0;
    for (size_t i = 0; i < steps.size(); ++i)
        if ((seen += steps[i]) * 2 > count)
            return i / 2.0;
    return longest;
}

void bus_figures::count_request(const QString &kind)
{
    ++request_count;
    const auto known = requests.find(kind);
    if (known != requests.end())
        ++known->second;
    else if (requests.size() < request_kinds)
        requests[kind] = 1;
    else
        ++other_requests;
}

QString request_text(const QByteArray &request)
{
    const int address = rx_at(request, 0);
    const int function = rx_at(request, 1);
    const QString code = QStringLiteral("%1").arg(function, 2, 16, QLatin1Char('0'));
    switch (function) {
    case read_coils:
    case read_discrete_inputs:
    case read_holding_registers:
    case read_input_registers:
        return text::tr("address %1, function %2, start %3, count %4")
            .arg(address)
            .arg(code)
            .arg(word(request, 2))
            .arg(word(request, 4));
    case write_single_coil:
        return text::tr("address %1, function %2, write coil %3")
            .arg(address)
            .arg(code)
            .arg(word(request, 2));
    case write_single_register:
        return text::tr("address %1, function %2, write register %3")
            .arg(address)
            .arg(code)
            .arg(word(request, 2));
    case write_multiple_coils:
    case write_multiple_registers:
        return text::tr("address %1, function %2, write from %3, count %4")
            .arg(address)
            .arg(code)
            .arg(word(request, 2))
            .arg(word(request, 4));
    case read_write_registers:
        return text::tr("address %1, function %2, read from %3, count %4, write from %5, count %6")
            .arg(address)
            .arg(code)
            .arg(word(request, 2))
            .arg(word(request, 4))
            .arg(word(request, 6))
            .arg(word(request, 8));
    case encapsulated:
        return text::tr("address %1, function %2, device identification")
            .arg(address)
            .arg(code + QStringLiteral("/0e"));
    default:
        return text::tr("address %1, function %2").arg(address).arg(code);
    }
}

QString write_text(const QByteArray &request)
{
    switch (rx_at(request, 1)) {
    case write_single_coil:
        return text::tr("writes coil %1: %2")
            .arg(word(request, 2))
            .arg(word(request, 4) == 0xFF00 ? text::tr("on") : text::tr("off"));
    case write_single_register:
        return text::tr("writes register %1: %2").arg(word(request, 2)).arg(word(request, 4));
    case write_multiple_coils:
        return text::tr("writes %1 coils from %2").arg(word(request, 4)).arg(word(request, 2));
    case write_multiple_registers:
        return text::tr("writes %1 registers from %2").arg(word(request, 4)).arg(word(request, 2));
    default:
        return {};
    }
}

QString parity_name(QChar parity)
{
    return parity == QLatin1Char('E') ? text::tr("even")
        : parity == QLatin1Char('O')  ? text::tr("odd")
                                      : text::tr("none");
}

QString parity_text(const QString &parities)
{
    if (parities.size() == 1)
        return text::tr("parity %1").arg(parity_name(parities[0]));
    QStringList names;
    for (QChar p : parities)
        names << parity_name(p);
    const QString last = names.takeLast();
    return text::tr("parity %1 or %2 (the adapter does not report parity errors)")
        .arg(names.join(QStringLiteral(", ")), last);
}

QString latency_text(const bus_figures &f)
{
    // A request's end and its reply in one read say nothing of the time between them; where
    // most are so, the few that are not only show the adapter's read interval.
    if (f.latency_hidden > 0 && quint64(f.latency_hidden) >= f.latency.count)
        return text::tr("Reply latency: hidden by the adapter's chunking");
    if (f.latency.count == 0)
        return {};
    return text::tr("Reply latency: median %1 ms, maximum %2 ms")
        .arg(f.latency.median(), 0, 'f', 1)
        .arg(f.latency.longest, 0, 'f', 1);
}

} // namespace orte
