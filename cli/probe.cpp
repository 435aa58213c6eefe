#include "cli/probe.h"

#include "cli/language.h"
#include "link/frame_bytes.h"

namespace orte_cli {

QString what_answered(const exchange_result &r, quint8 address)
{
    if (r.frame && r.kind == orte::reply_kind::exception)
        return text::tr("a Modbus exception %1 (not a converter)")
            .arg(orte::rx_at(r.bytes, 2), 2, 16, QLatin1Char('0'));
    if (r.frame && r.kind == orte::reply_kind::ident)
        return text::tr("model code %1, outside the converter's table")
            .arg(orte::rx_at(r.bytes, 4));
    if (r.frame)
        return text::tr("a valid %1-byte frame, not the converter's reply").arg(r.bytes.size());
    if (!r.foreign.isEmpty()) {
        const quint8 from = orte::rx_at(r.foreign, 0);
        return from == address
            ? text::tr("a frame of function %1, not an answer to this request")
                  .arg(orte::rx_at(r.foreign, 1), 2, 16, QLatin1Char('0'))
            : text::tr("a reply from address %1 (a late one, or another master's)").arg(from);
    }
    if (r.heard)
        return text::tr("bytes that never formed a frame");
    return {};
}

} // namespace orte_cli
