#include "recorder/find_page.h"

#include "decode/ident.h"
#include "engine/texts.h"
#include "link/port_list.h"
#include "recorder/run_view.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

namespace orte {

find_page::find_page(QWidget *parent)
    : QWidget(parent)
    , ports(new QListWidget)
    , typed_port(new QLineEdit)
    , refresh(new QPushButton(text::tr("Refresh")))
    , speeds(new QLineEdit)
    , parity { new QCheckBox(text::tr("none")), new QCheckBox(text::tr("even")),
               new QCheckBox(text::tr("odd")) }
    , stop_bits { new QCheckBox(QStringLiteral("1")), new QCheckBox(QStringLiteral("2")) }
    , first_address(new QSpinBox)
    , last_address(new QSpinBox)
    , all(new QCheckBox(text::tr("go on after the first converter")))
    , start_button(new QPushButton(text::tr("Start", "button")))
    , stop_button(new QPushButton(text::tr("Stop", "button")))
    , progress(new QProgressBar)
    , trying(new QLabel)
    , message(new QLabel)
    , found(new QTableWidget(0, 6))
    , heard(new QListWidget)
    , record_button(new QPushButton(text::tr("Record", "a found converter")))
    , record_all_button(new QPushButton(text::tr("Record all", "the converters found on a line")))
{
    // orte-cli scan's defaults: the monitor's speeds.
    QStringList default_speeds;
    for (int b : monitor_speeds())
        default_speeds << QString::number(b);
    speeds->setText(default_speeds.join(QLatin1Char(',')));
    auto *ports_box = new QGroupBox(text::tr("Ports"));
    auto *ports_layout = new QVBoxLayout(ports_box);
    ports_layout->addWidget(ports);
    // A port the list misses (a virtual one, a path, COMn): searched as typed.
    typed_port->setPlaceholderText(text::tr("another port: a path or COMn"));
    ports_layout->addWidget(typed_port);
    ports_layout->addWidget(refresh);
    ports->setMaximumHeight(100);

    auto *form = new QFormLayout;
    form->addRow(text::tr("Speeds"), speeds);
    auto *parity_row = new QHBoxLayout;
    for (QCheckBox *c : parity) {
        c->setChecked(true);
        parity_row->addWidget(c);
    }
    parity_row->addStretch();
    form->addRow(text::tr("Parity"), parity_row);
    auto *stop_row = new QHBoxLayout;
    for (QCheckBox *c : stop_bits) {
        c->setChecked(true);
        stop_row->addWidget(c);
    }
    stop_row->addStretch();
    form->addRow(text::tr("Stop bits"), stop_row);
    first_address->setRange(1, 247);
    first_address->setValue(1);
    last_address->setRange(1, 247);
    last_address->setValue(128);
    auto *address_row = new QHBoxLayout;
    address_row->addWidget(first_address);
    address_row->addWidget(new QLabel(QStringLiteral("–")));
    address_row->addWidget(last_address);
    address_row->addStretch();
    form->addRow(text::tr("Addresses"), address_row);
    form->addRow(QString(), all);

    auto *top = new QHBoxLayout;
    top->addWidget(ports_box, 1);
    top->addLayout(form, 2);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(start_button);
    buttons->addWidget(stop_button);
    buttons->addWidget(progress, 1);
    stop_button->setEnabled(false);

    found->setHorizontalHeaderLabels({ text::tr("Port"), text::tr("Settings"), text::tr("Address"),
                                       text::tr("Model"), text::tr("Serial number"),
                                       text::tr("Firmware") });
    // Each column as wide as its heading and its cells.
    found->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    found->horizontalHeader()->setStretchLastSection(true);
    found->setSelectionBehavior(QAbstractItemView::SelectRows);
    found->setSelectionMode(QAbstractItemView::SingleSelection);
    found->setEditTriggers(QAbstractItemView::NoEditTriggers);
    found->verticalHeader()->setVisible(false);
    record_button->setEnabled(false);
    record_all_button->setEnabled(false);
    record_all_button->setToolTip(
        text::tr("Record every converter found on the chosen converter's line together"));
    message->setStyleSheet(QStringLiteral("color: #a02010"));
    message->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->addWidget(trying);
    layout->addWidget(message);
    layout->addWidget(new QLabel(text::tr("Converters found")));
    layout->addWidget(found, 2);
    auto *record_row = new QHBoxLayout;
    record_row->addStretch();
    record_row->addWidget(record_button);
    record_row->addWidget(record_all_button);
    layout->addLayout(record_row);
    layout->addWidget(new QLabel(text::tr("What else answered")));
    layout->addWidget(heard, 1);

    connect(refresh, &QPushButton::clicked, this, &find_page::refresh_ports);
    connect(start_button, &QPushButton::clicked, this, &find_page::start);
    connect(stop_button, &QPushButton::clicked, this, &find_page::stop);
    connect(record_button, &QPushButton::clicked, this, &find_page::record_chosen);
    connect(found, &QTableWidget::cellDoubleClicked, this, &find_page::record_chosen);
    connect(record_all_button, &QPushButton::clicked, this, &find_page::record_line);
    connect(found, &QTableWidget::itemSelectionChanged, this, &find_page::update_record_buttons);
    refresh_ports();
}

void find_page::refresh_ports()
{
    ports->clear();
    for (const QString &name : sorted_by_number(list_serial_ports())) {
        auto *item = new QListWidgetItem(name, ports);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Checked);
    }
}

bool find_page::plan(scan_plan &out)
{
    out = scan_plan {};
    for (int i = 0; i < ports->count(); ++i)
        if (ports->item(i)->checkState() == Qt::Checked)
            out.ports << ports->item(i)->text();
    const QString typed = typed_port->text().trimmed();
    if (!typed.isEmpty() && !out.ports.contains(typed))
        out.ports << typed;
    QVector<int> bauds;
    for (const QString &s : speeds->text().split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int b = s.trimmed().toInt(&ok);
        if (!ok || b < 50 || b > 4000000) {
            message->setText(text::tr("not a speed: %1").arg(s.trimmed()));
            return false;
        }
        bauds << b;
    }
    QString parities;
    const char names[] = { 'N', 'E', 'O' };
    for (size_t i = 0; i < 3; ++i)
        if (parity[i]->isChecked())
            parities += QLatin1Char(names[i]);
    QVector<int> stops;
    for (size_t i = 0; i < 2; ++i)
        if (stop_bits[i]->isChecked())
            stops << int(i + 1);
    if (out.ports.isEmpty() || bauds.isEmpty() || parities.isEmpty() || stops.isEmpty()
        || first_address->value() > last_address->value()) {
        message->setText(text::tr("choose at least one port, speed, parity and stop bit count, "
                                  "and addresses from low to high"));
        return false;
    }
    out.settings = scan_order(bauds, parities, stops);
    out.first_address = first_address->value();
    out.last_address = last_address->value();
    out.all = all->isChecked();
    return true;
}

void find_page::start()
{
    if (engine)
        return;
    message->clear();
    scan_plan p;
    if (!plan(p))
        return;
    found->setRowCount(0);
    places.clear();
    heard->clear();
    engine = std::make_unique<scan_engine>(p);
    scan_engine *e = engine.get();
    progress->setRange(0, e->total());
    progress->setValue(0);
    connect(e, &scan_engine::trying, this, [this, e](const scan_place &at) {
        progress->setMaximum(e->total());
        progress->setValue(e->tried());
        const qint64 left = e->time_left_ms();
        trying->setText(
            text::tr("%1 %2 address %3")
                .arg(at.port, QString::fromStdString(at.settings.text()))
                .arg(at.address)
            + (e->pass() == 2 ? QStringLiteral("  ") + text::tr("second pass, full reply windows")
                              : QString())
            + (left > 0 ? QStringLiteral("  ") + text::tr("about %1 left").arg(duration(left))
                        : QString()));
    });
    connect(e, &scan_engine::found, this, [this](const scan_place &at, const QByteArray &ident) {
        const int row = found->rowCount();
        found->insertRow(row);
        const QStringList cells { at.port,
                                  QString::fromStdString(at.settings.text()),
                                  QString::number(at.address),
                                  decode_ident(ident).string_name,
                                  QString::number(serial_number(ident)),
                                  version_digits(ident) };
        for (int c = 0; c < cells.size(); ++c)
            found->setItem(row, c, new QTableWidgetItem(cells[c]));
        places.append(at);
        if (row == 0)
            found->selectRow(0);
        update_record_buttons();
    });
    connect(e, &scan_engine::heard, this, [this](const scan_place &at, const exchange_result &r) {
        heard->addItem(text::tr("%1 %2 address %3: %4")
                           .arg(at.port, QString::fromStdString(at.settings.text()))
                           .arg(at.address)
                           .arg(what_answered(r, quint8(at.address))));
    });
    connect(e, &scan_engine::garbled, this, [this](const scan_place &at) {
        heard->addItem(
            text::tr("something answers at %1 but not as a converter (bytes that never "
                     "formed a frame)")
                .arg(at.port + QLatin1Char(' ') + QString::fromStdString(at.settings.text())));
    });
    connect(e, &scan_engine::port_failed, this, [this](const QString &port, const QString &error) {
        message->setText(message->text() + text::tr("cannot open %1: %2").arg(port, error)
                         + QLatin1Char('\n'));
    });
    connect(e, &scan_engine::port_gone, this, [this](const scan_place &at) {
        message->setText(message->text() + text::tr("the port %1 has gone").arg(at.port)
                         + QLatin1Char('\n'));
    });
    connect(e, &scan_engine::finished, this,
            [this](int converters, bool port_lost, bool stopped, const scan_place &) {
                ended(converters, port_lost, stopped);
            });
    lock(true);
    e->start();
}

void find_page::stop()
{
    if (engine)
        engine->stop();
}

void find_page::lock(bool running)
{
    show_running(running, start_button, stop_button,
                 { ports, typed_port, refresh, speeds, parity[0], parity[1], parity[2],
                   stop_bits[0], stop_bits[1], first_address, last_address, all });
}

void find_page::ended(int converters, bool port_lost, bool stopped)
{
    // Stopped, the bar stays where the search got to.
    if (!stopped)
        progress->setValue(progress->maximum());
    if (stopped)
        trying->setText(text::tr("stopped after %1 of %2 tries")
                            .arg(progress->value())
                            .arg(progress->maximum()));
    else if (converters == 0 && !port_lost)
        trying->setText(text::tr("no converter found"));
    else
        trying->setText(text::tr("converters found: %1").arg(converters));
    lock(false);
    // Not from inside its own signal.
    engine.release()->deleteLater();
    emit finished();
}

void find_page::record_chosen()
{
    const int row = found->currentRow();
    if (row < 0 || row >= places.size())
        return;
    emit record(places[row].port, places[row].settings, { places[row].address });
}

void find_page::update_record_buttons()
{
    const bool chosen = !found->selectedItems().isEmpty();
    record_button->setEnabled(chosen);
    record_all_button->setEnabled(chosen && line_of(found->currentRow()).size() > 1);
}

QVector<int> find_page::line_of(int row) const
{
    QVector<int> addresses;
    for (const scan_place &p : places)
        if (row >= 0 && row < places.size() && p.port == places[row].port
            && p.settings.text() == places[row].settings.text() && !addresses.contains(p.address))
            addresses << p.address;
    return addresses;
}

void find_page::record_line()
{
    const int row = found->currentRow();
    const QVector<int> addresses = line_of(row);
    if (!addresses.isEmpty())
        emit record(places[row].port, places[row].settings, addresses);
}

} // namespace orte
