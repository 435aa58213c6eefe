#pragma once

// What watch and listen share: the reading as the screen line shows it, the poll as the files
// keep it, and the files of the recording.

#include "decode/measure.h"
#include "engine/csv.h"
#include "engine/record.h"
#include "engine/workbook.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QMap>
#include <QString>

#include <functional>
#include <memory>

namespace orte {

// What the last exchanges brought, as the screen line shows it. The measurement is shown as
// the monitor's page shows it: decoded when it arrives, with the input faults known then, so
// a fault reported by a status reply replaces a value from the next measurement on.
struct reading
{
    bool have_measure = false;
    bool have_status = false;
    int measurements = 0; // how many measurement replies came: a new one changes it
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

// One converter of a recording: what its last exchanges showed, and its run.
struct converter_state
{
    reading r;
    fault_flags faults;
    bool single_input = false;
    bool identified = false;
    run_figures figures;
    // Its identification came (again): the run takes it the first time, from `at` on.
    void identify(const QByteArray &ident, const QDateTime &at);
};

// Takes one poll's exchange into what the line shows (`r`) and the fault flags, as the
// monitor's page would; returns how the exchange ended.
struct exchange_result;
exchange_outcome take_poll(const exchange_result &x, bool single_input, reading &r,
                           fault_flags &faults);

// The poll as the files keep it: what the screen line shows, in cells.
poll_record record_of(const reading &r, bool single_input, exchange_outcome result,
                      const QDateTime &at);

// A file of the recording. It is checked before the line is touched, written under a scratch
// name in its own folder, and put in place only once it holds the run, so that an old file is
// never lost to a run that wrote nothing, and what is at the name (a link, a device) is never
// destroyed: a link is followed to its file, and only a regular file is ever replaced.
class output_file
{
public:
    // Whether the recording can go to `name`: a regular file or nothing there, replaced only
    // when `overwrite`, in a folder where a file can be made. Nothing changes at `name` yet.
    // False, with what to say in `said`, when it cannot.
    bool claim(const QString &name, bool overwrite, QString &said);
    bool claimed() const { return !target.isEmpty(); }
    // The last refusal was of a file that exists (each front end says how to replace it).
    bool refused_existing() const { return exists_refused; }
    // The name as the user gave it, and the file it leads to.
    const QString &name() const { return given; }
    const QString &file() const { return target; }
    // A scratch name of this process's in the file's folder, ASCII (libraries that open files
    // by narrow names on Windows take it).
    QString scratch(const QString &suffix) const;
    // Puts the finished scratch file in the file's place, replacing the old one only as
    // claimed. False with the reason in `error`; the scratch file is then removed.
    bool place(const QString &scratch_file, QString &error) const;

private:
    QString given;
    QString target;
    bool overwrite = false;
    mutable bool exists_refused = false;
};

// The CSV file: the header and the first row go to a scratch file that then takes the name;
// each later row goes out in one write, and one cut short is taken back, so the file never
// holds a torn row. The first failure is said once.
class csv_recording : public output_file
{
public:
    void start(const csv_format &f) { format = f; }
    // Done with this file: the next claim() starts another.
    void reset()
    {
        out.close();
        static_cast<output_file &>(*this) = output_file();
        failed = false;
    }
    // False when the row could not be written, with the reason in `error`.
    bool add(const poll_record &r, QString &error);
    bool failed = false;

private:
    bool first_row(const QByteArray &row, QString &error);
    bool write(const QByteArray &row, QString &error);
    csv_format format;
    QFile out;
};

// A recording that runs for days: new files each hour or each day, each whole and named by its
// period ("run.csv" becomes "run-2026-12-09.csv", or "run-2026-12-09-14.csv" by the hour).
enum class rotation { none, hourly, daily };
QString rotated_name(const QString &name, rotation r, const QDateTime &at);
// The start of the period `at` falls in (local time).
QDateTime period_start(rotation r, const QDateTime &at);

// The files of one recording, a CSV and a workbook, each optional: claimed before the line is
// touched, a row per poll, and finished however the run ends. What goes wrong is said through
// `say`, a sentence each, once per file.
class recording
{
public:
    using say_fn = std::function<void(const QString &)>;
    explicit recording(say_fn say);
    ~recording();
    // False, said, when either file cannot be written, or both name one file. A file that
    // exists is replaced only where its `overwrite` says so.
    bool claim(const QString &csv_name, bool csv_plain, const QString &xlsx_name, bool overwrite)
    {
        return claim(csv_name, csv_plain, xlsx_name, overwrite, overwrite);
    }
    bool claim(const QString &csv_name, bool csv_plain, const QString &xlsx_name,
               bool overwrite_csv, bool overwrite_xlsx);
    // Several converters in one recording, before claim(): the CSV's rows name their address,
    // the workbook has a values sheet, a chart and a summary for each.
    void set_several(bool several) { by_address = several; }
    // New files every period, before claim(); `about` gives each converter's run as the front
    // end knows it (the identity, the line), which each file's own figures are added to.
    using about_fn = std::function<QVector<run_figures>()>;
    void set_rotation(rotation r, about_fn about);
    bool several() const { return by_address; }
    // What was said last was a file that exists: the front end adds how to replace it.
    bool refused_existing() const { return csv.refused_existing() || xlsx.refused_existing(); }
    bool records() const { return csv.claimed() || xlsx.claimed(); }
    // The files as the user named them (empty: not recorded).
    const QString &csv_name() const { return csv.name(); }
    const QString &xlsx_name() const { return xlsx.name(); }
    void add(const poll_record &r);
    // Writes the workbook and puts it in place. False when the files miss part of the run. A
    // run that recorded nothing makes no file, and an old one it was to replace stays.
    bool finish(const run_figures &run) { return finish(QVector<run_figures> { run }); }
    // Several converters: a run's figures each, in the order they are to be shown.
    bool finish(const QVector<run_figures> &runs);
    int rows() const { return added; }
    // Rows per values sheet of the workbook (Excel's limit, less the heading row).
    int rows_per_sheet;

private:
    QString book_scratch() const;
    void open_book();
    say_fn say;
    csv_recording csv;
    output_file xlsx;
    std::unique_ptr<workbook_writer> book;
    bool book_failed = false;
    bool by_address = false;
    // The files' period, and what its files hold.
    void rotate(const QDateTime &at);
    QVector<run_figures> period_runs(const QVector<run_figures> &given) const;
    rotation every = rotation::none;
    about_fn about;
    QString csv_given;
    QString xlsx_given;
    bool plain = false;
    bool overwrite_csv_given = false;
    bool overwrite_xlsx_given = false;
    QDateTime period;
    QMap<int, run_figures> period_figures;
    int added = 0;
};

// What a failed write is, for the user ("no space left on the device"), from the system's
// error number where there is one.
QString write_error_text(int error_number, const QString &fallback);

} // namespace orte
