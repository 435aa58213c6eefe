#pragma once

// The recording as an Excel workbook: the values (time as a date-time, numbers as numbers) on
// as many sheets as Excel's row limit asks, a chart of each input (and its cold junction)
// against time on an axis of its own, and a sheet on the converter and the run. A recording of
// several converters has those for each: its values, one chart of both inputs, its run. Rows go to
// the library as they come (it keeps them in temporary files, so memory stays bounded however long
// the run); the workbook is written when the recording ends.

#include "engine/record.h"

#include <QString>
#include <QVector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace orte {

// Excel's rows per sheet, less the heading row.
constexpr int sheet_rows = 1048575;

class workbook_writer
{
public:
    // The workbook at `file_name` (an ASCII name: the library opens it by a narrow name), its
    // temporary files in `scratch_folder`. Nothing is written there before finish().
    workbook_writer(const QString &file_name, const QString &scratch_folder,
                    int rows_per_sheet = sheet_rows, bool by_address = false);
    ~workbook_writer();
    workbook_writer(const workbook_writer &) = delete;
    workbook_writer &operator=(const workbook_writer &) = delete;

    void add(const poll_record &r);
    // Adds the charts and the runs (one, or each converter's), and writes the file. False
    // with the reason in `error`.
    bool finish(const QVector<run_figures> &runs, QString &error);

private:
    // The values of one converter (of the only one: address 0).
    struct part
    {
        int address = 0;
        QStringList sheet_names;
        lxw_worksheet *sheet = nullptr;
        int row = 0; // rows written on the current sheet, the heading's included
    };
    part &part_of(int address);
    void new_sheet(part &p);
    QString file;
    QByteArray scratch_folder;
    int rows_per_sheet;
    bool by_address;
    lxw_workbook *book = nullptr;
    lxw_format *time_format = nullptr;
    lxw_format *bold = nullptr;
    QVector<part> parts;
    bool finished = false;
};

// The folder of `file_name` as the library can open it: on Windows by its short name, since a
// Cyrillic folder would not survive the ANSI code page.
QString narrow_folder(const QString &file_name);

} // namespace orte
