#include "cli/lines.h"

#include "decode/status.h"
#include "engine/texts.h"

#include <QStringList>

namespace orte_cli {

QString text_line(const reading &r, const QDateTime &at)
{
    QStringList parts { at.toString(QStringLiteral("HH:mm:ss.zzz")) };
    if (r.have_measure) {
        const orte::measure_view &m = r.measure_shown;
        for (const QString &t :
             { m.in1_value, m.in1_cold_junction, m.in2_value, m.in2_cold_junction })
            if (!t.isEmpty())
                parts << t.trimmed();
    }
    if (r.have_status) {
        const orte::status_view s = orte::decode_status(r.status);
        parts << (s.faults.isEmpty() ? QString::fromUtf8("Ошибок нет") : s.faults);
        for (const QString &t : { s.setpoints_in1, s.setpoints_in2 })
            if (!t.isEmpty())
                parts << t;
    }
    if (!r.link.isEmpty())
        parts << r.link;
    return parts.join(QStringLiteral(" | "));
}
QString file_said(const orte::recording &files, const QString &said)
{
    return files.refused_existing() ? said + orte::text::tr(" (--force replaces it)") : said;
}

std::unique_ptr<orte::mqtt_publisher> open_broker(const std::optional<orte::mqtt_target> &target,
                                                  QObject *context, QTextStream &err)
{
    if (!target)
        return {};
    auto broker = std::make_unique<orte::mqtt_publisher>(*target);
    QObject::connect(broker.get(), &orte::mqtt_publisher::said, context,
                     [&err](const QString &said) {
                         err << "orte-cli: " << said << '\n' << Qt::flush;
                     });
    return broker;
}

void close_broker(orte::mqtt_publisher *broker, QTextStream &err)
{
    if (!broker)
        return;
    broker->finish(orte::mqtt_finish_ms);
    const QString said = orte::undelivered_text(*broker);
    if (!said.isEmpty())
        err << "orte-cli: " << said << '\n' << Qt::flush;
}

} // namespace orte_cli
