#include "recorder/line_box.h"

#include "engine/scan_engine.h"
#include "engine/texts.h"
#include "link/endpoint.h"
#include "link/port_list.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace orte {

line_box::line_box(bool any, QWidget *parent)
    : QWidget(parent)
    , port(new QComboBox)
    , speed(new QComboBox)
    , parity(new QComboBox)
    , stops(new QComboBox)
    , addresses(new QLineEdit)
    , any_address(any)
{
    port->setEditable(true);
    port->setMinimumContentsLength(12);
    if (any)
        speed->addItem(text::tr("any"), 0);
    for (int b : monitor_speeds())
        speed->addItem(QString::number(b), b);
    speed->setCurrentIndex(speed->findData(any ? 0 : 9600));
    if (any)
        parity->addItem(text::tr("any"), 0);
    parity->addItem(text::tr("none"), int('N'));
    parity->addItem(text::tr("even"), int('E'));
    parity->addItem(text::tr("odd"), int('O'));
    stops->addItem(QStringLiteral("1"), 1);
    stops->addItem(QStringLiteral("2"), 2);
    addresses->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9a-fA-FxX, -]*")), addresses));
    addresses->setPlaceholderText(any ? text::tr("any", "address") : QStringLiteral("1,5,7-9"));
    addresses->setToolTip(text::tr("An address, or several: 1,5,7 or 1-4"));
    addresses->setMaximumWidth(addresses->fontMetrics().averageCharWidth() * 16);
    if (!any)
        addresses->setText(QStringLiteral("1"));
    auto *refresh = new QPushButton(text::tr("Refresh"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    for (auto [label, widget] : { std::pair<QString, QWidget *> { text::tr("Port"), port },
                                  { text::tr("Speed"), speed },
                                  { text::tr("Parity"), parity },
                                  { text::tr("Stop bits"), stops },
                                  { text::tr("Address"), addresses } }) {
        row->addWidget(new QLabel(label));
        row->addWidget(widget);
        if (widget == port)
            row->addWidget(refresh);
    }
    row->addStretch();
    connect(refresh, &QPushButton::clicked, this, &line_box::refresh_ports);
    refresh_ports();
}

void line_box::refresh_ports()
{
    const QString was = port->currentText();
    port->clear();
    port->addItems(sorted_by_number(list_serial_ports()));
    if (!was.isEmpty())
        port->setCurrentText(was);
}

QString line_box::port_name() const
{
    return port->currentText().trimmed();
}

bool line_box::address_list(QVector<int> &out) const
{
    const QString typed = addresses->text().trimmed();
    out.clear();
    return (any_address && typed.isEmpty()) || parse_addresses(typed, out);
}

void line_box::set_addresses(const QVector<int> &list)
{
    QStringList numbers;
    for (int a : list)
        numbers << QString::number(a);
    addresses->setText(numbers.join(QLatin1Char(',')));
}

void line_box::set(const QString &name, const line_format &s)
{
    port->setCurrentText(name);
    speed->setCurrentIndex(std::max(0, speed->findData(s.baud)));
    parity->setCurrentIndex(std::max(0, parity->findData(int(s.parity))));
    stops->setCurrentIndex(std::max(0, stops->findData(s.stop_bits)));
}

} // namespace orte
