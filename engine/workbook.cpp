#include "engine/workbook.h"

#include "engine/csv.h"
#include "engine/recording.h"
#include "engine/texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <xlsxwriter.h>

namespace orte {

namespace {
// libxlsxwriter says its own errors on standard error, in its own words ("[ERROR] ... Zip
// generic error"); the recording says them once, in the user's, as it does for the CSV.
class quiet_library
{
public:
    quiet_library()
    {
        std::fflush(stderr);
#ifdef _WIN32
        saved = _dup(2);
        const int null = _open("NUL", _O_WRONLY);
        if (null >= 0) {
            _dup2(null, 2);
            _close(null);
        }
#else
        saved = dup(2);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) {
            dup2(null, 2);
            close(null);
        }
#endif
    }
    ~quiet_library()
    {
        std::fflush(stderr);
        if (saved < 0)
            return;
#ifdef _WIN32
        _dup2(saved, 2);
        _close(saved);
#else
        dup2(saved, 2);
        close(saved);
#endif
    }
    quiet_library(const quiet_library &) = delete;
    quiet_library &operator=(const quiet_library &) = delete;

private:
    int saved = -1;
};

lxw_datetime datetime(const QDateTime &at)
{
    const QDate d = at.date();
    const QTime t = at.time();
    return { d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second() + t.msec() / 1000.0 };
}

// libxlsxwriter takes UTF-8 and copies what it keeps.
struct utf8
{
    explicit utf8(const QString &s)
        : bytes(s.toUtf8())
    {
    }
    operator const char *() const { return bytes.constData(); }
    QByteArray bytes;
};

} // namespace

namespace {

// One chart sheet an input: its value and its cold junction against time, on an axis of its
// own, so that a thermocouple at 500 °C does not flatten a resistance thermometer at 23 °C.
void chart_sheets(lxw_workbook *book, const QString &values, int rows, const run_figures &run,
                  bool one_of_several)
{
    // One converter of several: a sheet of its own with a chart of each input, one above the
    // other (a chart sheet holds only one).
    lxw_worksheet *charts = one_of_several
        ? workbook_add_worksheet(book, utf8(text::tr("Chart %1").arg(run.address)))
        : nullptr;
    int placed = 0;
    const lxw_row_t last = lxw_row_t(qMax(rows, 1));
    for (int in = 0; in < 2; ++in) {
        const size_t i = size_t(in);
        if (run.inputs[i].isEmpty())
            continue;
        lxw_chart *chart = workbook_add_chart(book, LXW_CHART_SCATTER_STRAIGHT);
        chart_title_set_name(chart, utf8(text::tr("Input %1").arg(in + 1)));
        chart_axis_set_name(chart->x_axis, utf8(text::tr("Time")));
        chart_axis_set_num_format(chart->x_axis, "hh:mm:ss");
        chart_axis_set_name(chart->y_axis, utf8(axis_name(in + 1, run.type[i])));
        const lxw_col_t value_col = lxw_col_t(2 + 3 * in);
        struct series
        {
            lxw_col_t col;
            bool shown;
            QString name;
        };
        for (const series &s : { series { value_col, true, text::tr("Input %1 value").arg(in + 1) },
                                 series { lxw_col_t(value_col + 1), run.has_cold_junction[i],
                                          text::tr("Input %1 cold junction").arg(in + 1) } }) {
            if (!s.shown)
                continue;
            lxw_chart_series *line = chart_add_series(chart, nullptr, nullptr);
            chart_series_set_categories(line, utf8(values), 1, 0, last, 0);
            chart_series_set_values(line, utf8(values), 1, s.col, last, s.col);
            chart_series_set_name(line, utf8(s.name));
        }
        if (charts) {
            lxw_chart_options place {};
            place.x_scale = 2;
            place.y_scale = 1.5;
            worksheet_insert_chart_opt(charts, lxw_row_t(24 * placed++), 0, chart, &place);
            continue;
        }
        lxw_chartsheet *sheet
            = workbook_add_chartsheet(book, utf8(text::tr("Input %1 chart").arg(in + 1)));
        chartsheet_set_chart(sheet, chart);
    }
}

void run_sheet(lxw_workbook *book, const run_figures &run, const QStringList &values_sheets,
               int last_sheet_rows, lxw_format *bold, bool one_of_several)
{
    lxw_worksheet *sheet
        = workbook_add_worksheet(book,
                                 utf8(one_of_several ? text::tr("Converter %1").arg(run.address)
                                                     : text::tr("Converter and run")));
    lxw_format *time_format = workbook_add_format(book);
    format_set_num_format(time_format, "yyyy-mm-dd hh:mm:ss");
    worksheet_set_column(sheet, 0, 0, 36, nullptr);
    worksheet_set_column(sheet, 1, 1, 48, nullptr);
    lxw_row_t row = 0;
    auto line = [&](const QString &name) {
        worksheet_write_string(sheet, row, 0, utf8(name), bold);
        return row++;
    };
    auto number = [&](const QString &name, double v) {
        worksheet_write_number(sheet, line(name), 1, v, nullptr);
    };
    auto words = [&](const QString &name, const QString &v) {
        worksheet_write_string(sheet, line(name), 1, utf8(v), nullptr);
    };
    if (run.model_code)
        number(text::tr("Model code"), *run.model_code);
    if (run.serial)
        number(text::tr("Serial number"), *run.serial);
    if (!run.firmware.isEmpty())
        words(text::tr("Firmware"), run.firmware);
    words(text::tr("Port"), run.port);
    words(text::tr("Settings"), run.settings);
    if (run.address > 0)
        number(text::tr("Address"), run.address);
    lxw_datetime start = datetime(run.start);
    lxw_datetime end = datetime(run.end);
    worksheet_write_datetime(sheet, line(text::tr("Start")), 1, &start, time_format);
    worksheet_write_datetime(sheet, line(text::tr("End")), 1, &end, time_format);
    number(text::tr("Polls"), run.polls);
    number(text::tr("CRC errors"), run.crc_errors);
    number(text::tr("Time-outs"), run.timeouts);
    number(text::tr("Exceptions"), run.exceptions);
    if (run.unexpected > 0)
        number(text::tr("Replies to something else"), run.unexpected);
    for (int in = 0; in < 2; ++in) {
        const QVector<input_figures> &runs = run.inputs[size_t(in)];
        for (const input_figures &f : runs) {
            const QString input
                = (runs.size() == 1 ? text::tr("Input %1").arg(in + 1) : input_kind(in + 1, f.type))
                + QStringLiteral(": ");
            number(input + text::tr("minimum"), f.minimum());
            number(input + text::tr("maximum"), f.maximum());
            number(input + text::tr("mean"), f.mean());
        }
    }
    if (!run.has_values())
        words(text::tr("Chart"), text::tr("none: no value was received"));
    else if (values_sheets.size() > 1)
        words(text::tr("Chart"),
              text::tr("the last %1 polls, on the sheet %2")
                  .arg(last_sheet_rows)
                  .arg(values_sheets.constLast()));
    if (values_sheets.size() > 1)
        words(text::tr("Values"), values_sheets.join(QStringLiteral(", ")));
}
} // namespace

QString narrow_folder(const QString &file_name)
{
    QString folder = QFileInfo(file_name).absolutePath();
#ifdef _WIN32
    wchar_t short_path[MAX_PATH];
    const std::wstring wide = QDir::toNativeSeparators(folder).toStdWString();
    if (GetShortPathNameW(wide.c_str(), short_path, MAX_PATH) > 0)
        folder = QString::fromWCharArray(short_path);
#endif
    return folder;
}

workbook_writer::workbook_writer(const QString &file_name, const QString &folder, int rows,
                                 bool several)
    : file(file_name)
    , scratch_folder(QFile::encodeName(QDir::toNativeSeparators(folder)))
    , rows_per_sheet(rows)
    , by_address(several)
{
    // Rows go to temporary files in the recording's own folder: /tmp may be memory.
    lxw_workbook_options options {};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = scratch_folder.data();
    {
        const quiet_library quiet;
        book = workbook_new_opt(QFile::encodeName(file).constData(), &options);
    }
    if (!book)
        return;
    time_format = workbook_add_format(book);
    format_set_num_format(time_format, "yyyy-mm-dd hh:mm:ss.000");
    bold = workbook_add_format(book);
    format_set_bold(bold);
    if (!by_address)
        part_of(0);
}

workbook_writer::~workbook_writer()
{
    // A workbook given up: the library frees what it holds once it has written it.
    if (book && !finished) {
        const quiet_library quiet;
        workbook_close(book);
        QFile::remove(file);
    }
}

workbook_writer::part &workbook_writer::part_of(int address)
{
    const int key = by_address ? address : 0;
    for (part &p : parts)
        if (p.address == key)
            return p;
    parts.append(part {});
    parts.last().address = key;
    new_sheet(parts.last());
    return parts.last();
}

void workbook_writer::new_sheet(part &p)
{
    QStringList &sheet_names = p.sheet_names;
    const QString values
        = p.address > 0 ? text::tr("Values %1").arg(p.address) : text::tr("Values");
    if (sheet_names.isEmpty())
        sheet_names << values;
    else if (p.address > 0)
        sheet_names << QStringLiteral("%1 (%2)").arg(values).arg(sheet_names.size() + 1);
    else
        sheet_names << QStringLiteral("%1 %2").arg(values).arg(sheet_names.size() + 1);
    lxw_worksheet *sheet = p.sheet = workbook_add_worksheet(book, utf8(sheet_names.constLast()));
    worksheet_set_column(sheet, 0, 0, 24, nullptr);
    worksheet_set_column(sheet, 1, 15, 12, nullptr);
    worksheet_set_column(sheet, 15, 15, 28, nullptr);
    const QStringList headings = column_headings();
    for (int c = 0; c < headings.size(); ++c)
        worksheet_write_string(sheet, 0, lxw_col_t(c), utf8(headings[c]), bold);
    p.row = 1;
}

void workbook_writer::add(const poll_record &r)
{
    if (!book)
        return;
    part &p = part_of(r.address);
    if (p.row > rows_per_sheet)
        new_sheet(p);
    lxw_worksheet *sheet = p.sheet;
    const lxw_row_t at_row = lxw_row_t(p.row++);
    lxw_datetime at = datetime(r.at);
    worksheet_write_datetime(sheet, at_row, 0, &at, time_format);
    lxw_col_t col = 1;
    for (size_t in = 0; in < 2; ++in, col += 3) {
        if (r.type[in])
            worksheet_write_number(sheet, at_row, col, *r.type[in], nullptr);
        if (r.value[in])
            worksheet_write_number(sheet, at_row, col + 1, *r.value[in], nullptr);
        if (r.cold_junction[in])
            worksheet_write_number(sheet, at_row, col + 2, *r.cold_junction[in], nullptr);
    }
    for (size_t bit = 0; bit < 8; ++bit)
        if (r.flags[bit])
            worksheet_write_number(sheet, at_row, lxw_col_t(7 + bit), *r.flags[bit], nullptr);
    if (!r.link.isEmpty())
        worksheet_write_string(sheet, at_row, 15, utf8(r.link), nullptr);
}

bool workbook_writer::finish(const QVector<run_figures> &runs, QString &error)
{
    if (!book) {
        error = text::tr("the workbook cannot be made");
        return false;
    }
    finished = true;
    for (const run_figures &run : runs) {
        if (by_address && !std::any_of(parts.begin(), parts.end(), [&run](const part &p) {
                return p.address == run.address;
            }))
            continue; // nothing recorded of it
        const part &p = part_of(run.address);
        // Only a sheet's rows can be charted in one series: the chart shows the last sheet.
        chart_sheets(book, p.sheet_names.constLast(), p.row - 1, run, by_address);
        run_sheet(book, run, p.sheet_names, p.row - 1, bold, by_address);
    }
    errno = 0;
    lxw_error result;
    {
        const quiet_library quiet;
        result = workbook_close(book);
    }
    const int error_number = errno;
    book = nullptr;
    if (result == LXW_NO_ERROR)
        return true;
    QFile::remove(file);
    error = write_error_text(error_number,
                             error_number != 0 ? qt_error_string(error_number) : QString());
    return false;
}

} // namespace orte
