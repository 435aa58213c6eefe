#pragma once

// Listening to a live bus: a converter that another master (a PLC, a SCADA gateway) polls,
// read without sending a byte.

#include "cli/probe.h"

#include <QString>
#include <QTextStream>
#include <QVector>

namespace orte_cli {

struct listen_plan
{
    QString port;
    QVector<port_settings> candidates; // the settings the line may have, likeliest first
    int address = 0; // 0: every slave that answers the converter's reads
    QString csv_file;
    bool csv_plain = false;
    QString xlsx_file;
    bool overwrite = false;
    bool stats = false; // the bus figures every ten seconds, not only at the end
};

// Candidates for listening: the common field-bus speeds first (9600, 19200, then up and
// down), each with every parity and stop-bit count asked for.
QVector<port_settings> listen_order(const QVector<int> &bauds, const QString &parities,
                                    const QVector<int> &stop_bits);

// Opens the port for reading only, finds the line's settings by listening (where more than one
// candidate is given), then decodes every reply to the converter's reads, as the monitor
// would, until Ctrl+C. Returns an exit_code.
int run_listen(const listen_plan &plan, QTextStream &out, QTextStream &err);

} // namespace orte_cli
