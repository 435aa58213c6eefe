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
    QVector<int> speeds; // the speeds the line may have, likeliest first
    QString parities = QStringLiteral("NEO"); // 'N', 'E', 'O': the parities it may have
    int stop_bits = 1; // what the port is opened with; a receiver hears either
    int address = 0; // 0: every slave that answers the converter's reads
    QString csv_file;
    bool csv_plain = false;
    QString xlsx_file;
    bool overwrite = false;
    bool stats = false; // the bus figures every ten seconds, not only at the end
};

// The speeds to try, the common field-bus ones first (9600, 19200, 115200, then the rest).
QVector<int> listen_speed_order(const QVector<int> &bauds);

// Opens the port for reading only, finds the line's settings by listening (where more than one
// is possible), then decodes every reply to the converter's reads, as the monitor would, until
// Ctrl+C. What is being tried goes to `progress` when it is a terminal. Returns an exit_code.
int run_listen(const listen_plan &plan, QTextStream &out, QTextStream &err, QTextStream *progress);

} // namespace orte_cli
