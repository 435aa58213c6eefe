#include "recorder/record_page.h"

#include "decode/ident.h"
#include "engine/scan_engine.h"
#include "engine/texts.h"
#include "link/endpoint.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>

namespace orte {

record_page::record_page(QWidget *parent)
    : QWidget(parent)
    , line(new line_box(false))
    , period(new QSpinBox)
    , files(new files_box)
    , start_button(new QPushButton(text::tr("Start", "button")))
    , stop_button(new QPushButton(text::tr("Stop", "button")))
    , converter(new QLabel)
    , run(new run_view)
{
    period->setRange(50, 3600000);
    period->setValue(300);
    period->setSuffix(text::tr(" ms"));
    auto *controls = new QHBoxLayout;
    controls->addWidget(new QLabel(text::tr("Period")));
    controls->addWidget(period);
    controls->addStretch();
    controls->addWidget(start_button);
    controls->addWidget(stop_button);
    stop_button->setEnabled(false);
    converter->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(line);
    layout->addWidget(files);
    layout->addLayout(controls);
    layout->addWidget(converter);
    layout->addWidget(run, 1);
    connect(start_button, &QPushButton::clicked, this, &record_page::start);
    connect(stop_button, &QPushButton::clicked, this, &record_page::stop);
}

void record_page::start()
{
    if (engine)
        return;
    converter->clear();
    const QString port = line->port_name();
    QVector<int> addresses;
    if (port.isEmpty()) {
        run->say(text::tr("choose a port"));
        return;
    }
    if (!line->address_list(addresses)) {
        run->say(
            text::tr("not a list of addresses from 1 to 247: %1").arg(line->addresses->text()));
        return;
    }
    files->refresh_proposal();
    if (!run->begin(*files, addresses.size() > 1))
        return;
    // Behind a gateway the line's settings are the gateway's own: the line is its name.
    const QString where
        = is_network_port(port) ? port : QString::fromStdString(line->settings().text());
    converters.clear();
    identities.clear();
    for (int address : addresses) {
        run_figures &about = converters[address].figures;
        about.port = port;
        about.settings = where;
        about.address = address;
    }
    engine = std::make_unique<poll_engine>(
        poll_plan { port, line->settings(), addresses, period->value(), 0 });
    poll_engine *e = engine.get();
    connect(e, &poll_engine::open_failed, this, [this, port](const QString &error) {
        run->say(text::tr("cannot open %1: %2").arg(port, error));
    });
    connect(e, &poll_engine::not_identified, this,
            [this, where](const exchange_result &heard, int address) {
                const QString what = what_answered(heard, quint8(address));
                run->say(text::tr("no converter at %1 address %2: %3")
                             .arg(where)
                             .arg(address)
                             .arg(what.isEmpty() ? text::tr("nothing answered") : what));
            });
    connect(e, &poll_engine::identified, this, &record_page::identified);
    connect(e, &poll_engine::polled, this,
            [this](const exchange_result &x, bool, int address) { polled(x, address); });
    connect(e, &poll_engine::lost, this, [this](int address) {
        run->say(text::tr("address %1 stopped answering; asking it again every %2 s")
                     .arg(address)
                     .arg(std::max(period->value(), lost_retry_ms) / 1000.0));
    });
    connect(e, &poll_engine::port_gone, this, [this, port] {
        run->say(text::tr("the port %1 has gone; reopening it every %2 ms")
                     .arg(port)
                     .arg(period->value()));
    });
    connect(e, &poll_engine::port_back, this,
            [this, port] { run->say(text::tr("the port %1 is back").arg(port)); });
    connect(e, &poll_engine::finished, this, &record_page::ended);
    show_running(true, start_button, stop_button, { line, files, period });
    run->open_broker(port);
    e->start();
}

void record_page::stop()
{
    if (engine)
        engine->stop();
}

void record_page::identified(const QByteArray &ident, int address)
{
    converter_state &c = converters[address];
    c.identify(ident, QDateTime::currentDateTime());
    run->describe(c.figures);
    run->identified(address, ident);
    const ident_result id = decode_ident(ident);
    identities[address] = (engine->several() ? text::tr("address %1: ").arg(address) : QString())
        + id.string_name + QStringLiteral("; ") + version_text(ident) + QStringLiteral("; ")
        + serial_text(serial_number(ident));
    converter->setText(QStringList(identities.values()).join(QLatin1Char('\n')));
}

void record_page::polled(const exchange_result &x, int address)
{
    converter_state &c = converters[address];
    const exchange_outcome result = take_poll(x, c.single_input, c.r, c.faults);
    // Nothing is recorded before the first status reply: until it, a value could stand where
    // the input is already in fault.
    if (!c.r.have_status)
        return;
    run->add(address, c.r, c.single_input, result, QDateTime::currentDateTime());
}

void record_page::ended(bool, bool)
{
    // The files are written however the recording ended; a recording that never began (no
    // converter, no port) leaves none.
    QVector<run_figures> found;
    for (const converter_state &c : converters)
        if (c.identified)
            found << c.figures;
    if (!found.isEmpty())
        run->finish(found);
    else
        run->finish_nothing();
    show_running(false, start_button, stop_button, { line, files, period });
    files->after_run();
    engine.release()->deleteLater();
    emit finished();
}

} // namespace orte
