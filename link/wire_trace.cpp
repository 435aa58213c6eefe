#include "link/wire_trace.h"

#include <QElapsedTimer>

namespace orte {

Q_LOGGING_CATEGORY(wire, "orte.wire", QtInfoMsg)

void trace_wire(const char *direction, const QByteArray &bytes)
{
    if (!wire().isDebugEnabled() || bytes.isEmpty())
        return;
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    qCDebug(wire, "%10.3f %s %s", clock.nsecsElapsed() / 1e6, direction,
            bytes.toHex(' ').toUpper().constData());
}

} // namespace orte
