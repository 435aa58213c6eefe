#pragma once

// A trace of the wire on demand: every frame sent and every chunk received, with its time, in
// the logging category "orte.wire", off by default. QT_LOGGING_RULES="orte.wire.debug=true"
// (or orte-cli's --trace) turns it on; it goes wherever Qt's messages go (standard error).

#include <QByteArray>
#include <QLoggingCategory>

namespace orte {

Q_DECLARE_LOGGING_CATEGORY(wire)

// "tx 01 04 00 00 00 0C F0 0F" and the time since the first trace, in ms.
void trace_wire(const char *direction, const QByteArray &bytes);
inline void trace_wire(const char *direction, const quint8 *bytes, int size)
{
    if (wire().isDebugEnabled())
        trace_wire(direction, QByteArray(reinterpret_cast<const char *>(bytes), size));
}

} // namespace orte
