#include "recorder/record_page.h"

#include "decode/ident.h"
#include "engine/scan_engine.h"
#include "engine/texts.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

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
    if (line->port_name().isEmpty()) {
        run->say(text::tr("choose a port"));
        return;
    }
    files->refresh_proposal();
    if (!run->begin(*files))
        return;
    about = run_figures {};
    about.port = line->port_name();
    about.settings = QString::fromStdString(line->settings().text());
    about.address = line->address->value();
    about.start = QDateTime::currentDateTime();
    shown = reading {};
    faults = fault_flags {};
    identified = false;
    engine = std::make_unique<poll_engine>(
        poll_plan { about.port, line->settings(), { about.address }, period->value(), 0 });
    poll_engine *e = engine.get();
    connect(e, &poll_engine::open_failed, this, [this](const QString &error) {
        run->say(text::tr("cannot open %1: %2").arg(about.port, error));
    });
    connect(e, &poll_engine::not_identified, this, [this](const exchange_result &heard) {
        const QString what = what_answered(heard, quint8(about.address));
        run->say(text::tr("no converter at %1 address %2: %3")
                     .arg(about.settings)
                     .arg(about.address)
                     .arg(what.isEmpty() ? text::tr("nothing answered") : what));
    });
    connect(e, &poll_engine::identified, this, [this](const QByteArray &ident) {
        const ident_result id = decode_ident(ident);
        single_input = id.single_input == 1;
        identified = true;
        about.identified(ident);
        about.start = QDateTime::currentDateTime();
        run->describe(about);
        converter->setText(id.string_name + QStringLiteral("; ") + version_text(ident)
                           + QStringLiteral("; ") + serial_text(serial_number(ident)));
    });
    connect(e, &poll_engine::polled, this, [this](const exchange_result &x, bool) { polled(x); });
    connect(e, &poll_engine::port_gone, this, [this] {
        run->say(text::tr("the port %1 has gone; reopening it every %2 ms")
                     .arg(about.port)
                     .arg(period->value()));
    });
    connect(e, &poll_engine::port_back, this,
            [this] { run->say(text::tr("the port %1 is back").arg(about.port)); });
    connect(e, &poll_engine::finished, this, &record_page::ended);
    show_running(true, start_button, stop_button, { line, files, period });
    e->start();
}

void record_page::stop()
{
    if (engine)
        engine->stop();
}

void record_page::polled(const exchange_result &x)
{
    const exchange_outcome result = take_poll(x, single_input, shown, faults);
    // Nothing is recorded before the first status reply: until it, a value could stand where
    // the input is already in fault.
    if (!shown.have_status)
        return;
    run->add(shown, single_input, result, QDateTime::currentDateTime());
}

void record_page::ended(bool, bool)
{
    // The files are written however the recording ended; a recording that never began (no
    // converter, no port) leaves none.
    if (identified)
        run->finish(about);
    else
        run->finish_nothing();
    show_running(false, start_button, stop_button, { line, files, period });
    files->after_run();
    engine.release()->deleteLater();
    emit finished();
}

} // namespace orte
