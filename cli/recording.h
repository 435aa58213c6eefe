#pragma once

// What watch and listen share: the reading as the screen line shows it, the poll as the files
// keep it, and the CSV file written row by row.

#include "cli/csv.h"
#include "cli/record.h"
#include "decode/measure.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <QTextStream>

namespace orte_cli {

// What the last exchanges brought, as the screen line shows it. The measurement is shown as
// the monitor's page shows it: decoded when it arrives, with the input faults known then, so
// a fault reported by a status reply replaces a value from the next measurement on.
struct reading
{
    bool have_measure = false;
    bool have_status = false;
    QByteArray measure;
    orte::measure_view measure_shown;
    bool fault_at_measure[2] = { false, false };
    quint8 status = 0;
    QString link;
};

// The monitor's fault flags: set by each status reply, kept through failed exchanges.
struct fault_flags
{
    bool in1 = false;
    bool in2 = false;
};

// "hh:mm:ss.zzz | values | faults | setpoints | link", with the monitor's own texts.
QString text_line(const reading &r, const QDateTime &at);

// The poll as the files keep it: what the screen line shows, in cells.
poll_record record_of(const reading &r, bool single_input, outcome result, const QDateTime &at);

// A file of the recording that must be writable before the line is touched. An existing one
// is replaced only when asked.
class output_file
{
public:
    bool claim(const QString &name, bool overwrite, QTextStream &err);
    bool claimed() const { return file.isOpen(); }
    QFile file;
};

// The CSV file: each row goes out in one write, and one cut short is taken back, so the file
// never holds a torn row; the first failure is said once.
class csv_recording : public output_file
{
public:
    bool start(const csv_format &f, QTextStream &err);
    void add(const poll_record &r, QTextStream &err);
    // A file that holds nothing of the run is not left behind.
    void discard_if_empty();
    bool failed = false;

private:
    bool write(const QByteArray &line, QTextStream &err);
    csv_format format;
    int rows = 0;
};

} // namespace orte_cli
