#include "cli/recording.h"

#include "cli/language.h"
#include "decode/status.h"

#include <QStringList>

namespace orte_cli {

QString text_line(const reading &r, const QDateTime &at)
{
    QStringList parts { at.toString(QStringLiteral("HH:mm:ss.zzz")) };
    if (r.have_measure) {
        const orte::measure_view &m = r.measure_shown;
        for (const QString &t : { m.T_1_channal, m.T_1_hs, m.t_2_channal, m.T_2_hs })
            if (!t.isEmpty())
                parts << t.trimmed();
    }
    if (r.have_status) {
        const orte::status_view s = orte::decode_status(r.status);
        parts << (s.err_izd.isEmpty() ? QString::fromUtf8("Ошибок нет") : s.err_izd);
        for (const QString &t : { s.err_ust_1, s.err_ust_2 })
            if (!t.isEmpty())
                parts << t;
    }
    if (!r.link.isEmpty())
        parts << r.link;
    return parts.join(QStringLiteral(" | "));
}

poll_record record_of(const reading &r, bool single_input, outcome result, const QDateTime &at)
{
    poll_record p;
    p.at = at;
    p.link = r.link;
    p.result = result;
    for (int input = 1; input <= 2; ++input) {
        const size_t i = size_t(input - 1);
        const bool absent = input == 2 && single_input;
        const orte::input_reading in = orte::read_input(r.measure, input);
        if (!r.have_measure || absent)
            continue;
        p.type[i] = in.type;
        if (r.fault_at_measure[i] || in.type > 3)
            continue;
        p.value[i] = in.value;
        if (in.type == 1)
            p.cold_junction[i] = in.cold_junction;
    }
    for (size_t bit = 0; bit < 8; ++bit)
        if (r.have_status)
            p.flags[bit] = (r.status >> bit) & 1;
    return p;
}

bool output_file::claim(const QString &name, bool overwrite, QTextStream &err)
{
    if (name.isEmpty())
        return true;
    file.setFileName(name);
    const QIODevice::OpenMode mode = QIODevice::WriteOnly | QIODevice::Unbuffered
        | (overwrite ? QIODevice::Truncate : QIODevice::NewOnly);
    if (file.open(mode))
        return true;
    err << "orte-cli: "
        << text::tr("cannot write %1: %2")
               .arg(name,
                    !overwrite && file.exists() ? text::tr("it exists (--force replaces it)")
                                                : file.errorString())
        << '\n';
    return false;
}

bool csv_recording::start(const csv_format &f, QTextStream &err)
{
    format = f;
    return !claimed() || write(csv_preamble(format) + csv_header(format).toUtf8(), err);
}

void csv_recording::add(const poll_record &r, QTextStream &err)
{
    if (claimed() && write(csv_row(format, r).toUtf8(), err))
        ++rows;
}

void csv_recording::discard_if_empty()
{
    if (claimed() && rows == 0)
        file.remove();
}

bool csv_recording::write(const QByteArray &line, QTextStream &err)
{
    const QByteArray bytes = line + '\n';
    const qint64 size = file.size();
    if (file.write(bytes) == bytes.size())
        return true;
    file.resize(size);
    if (!failed)
        err << "orte-cli: "
            << text::tr("cannot write %1: %2; the recording is incomplete")
                   .arg(file.fileName(), file.errorString())
            << '\n'
            << Qt::flush;
    failed = true;
    return false;
}

} // namespace orte_cli
