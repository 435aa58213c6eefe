#include "recorder/listen_page.h"

#include "decode/ident.h"
#include "engine/scan_engine.h"
#include "engine/texts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

namespace orte {

listen_page::listen_page(QWidget *parent)
    : QWidget(parent)
    , line(new line_box(true))
    , files(new files_box)
    , start_button(new QPushButton(text::tr("Start", "button")))
    , stop_button(new QPushButton(text::tr("Stop", "button")))
    , settings(new QLabel)
    , slaves(new QTableWidget(0, 4))
    , bus(new QLabel)
    , run(new run_view)
{
    files->xlsx_on->setChecked(false);
    files->csv_on->setChecked(false);
    auto *controls = new QHBoxLayout;
    controls->addWidget(settings, 1);
    controls->addWidget(start_button);
    controls->addWidget(stop_button);
    stop_button->setEnabled(false);
    settings->setWordWrap(true);
    slaves->setHorizontalHeaderLabels({ text::tr("Address"), text::tr("Converter"),
                                        text::tr("Replies"), text::tr("Replies a minute") });
    slaves->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    slaves->horizontalHeader()->setStretchLastSection(true);
    slaves->setSelectionBehavior(QAbstractItemView::SelectRows);
    slaves->setSelectionMode(QAbstractItemView::SingleSelection);
    slaves->setEditTriggers(QAbstractItemView::NoEditTriggers);
    slaves->verticalHeader()->setVisible(false);
    slaves->setMaximumHeight(100);
    bus->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(line);
    layout->addWidget(files);
    layout->addLayout(controls);
    layout->addWidget(slaves);
    layout->addWidget(bus);
    layout->addWidget(run, 1);
    connect(start_button, &QPushButton::clicked, this, &listen_page::start);
    connect(stop_button, &QPushButton::clicked, this, &listen_page::stop);
    // The chart shows the slave chosen in the table; every one is recorded.
    connect(slaves, &QTableWidget::cellClicked, this,
            [this](int row, int) { run->show_unit(slaves->item(row, 0)->text().toInt()); });
    figures_due.setInterval(1000);
    connect(&figures_due, &QTimer::timeout, this, &listen_page::show_bus);
}

void listen_page::start()
{
    if (engine)
        return;
    if (line->port_name().isEmpty()) {
        run->say(text::tr("choose a port"));
        return;
    }
    if (!line->address_list(listed)) {
        run->say(
            text::tr("not a list of addresses from 1 to 247: %1").arg(line->addresses->text()));
        return;
    }
    files->refresh_proposal();
    if (!run->begin(*files, single_address() == 0))
        return;
    listen_plan plan;
    plan.port = line->port_name();
    plan.speeds
        = line->baud() != 0 ? QVector<int> { line->baud() } : listen_speed_order(monitor_speeds());
    plan.parities = line->parity_code() != 0 ? QString(QLatin1Char(line->parity_code()))
                                             : QStringLiteral("NEO");
    plan.stop_bits = line->stop_bits();
    plan.address = single_address();
    heard.clear();
    idents.clear();
    slaves->setRowCount(0);
    settings->clear();
    about = run_figures {};
    about.port = plan.port;
    about.address = plan.address;
    about.start = QDateTime::currentDateTime();
    engine = std::make_unique<listen_engine>(plan);
    listen_engine *e = engine.get();
    connect(e, &listen_engine::trying, this, [this](int baud, char parity) {
        settings->setText(text::tr("listening at %1 baud, parity %2")
                              .arg(baud)
                              .arg(parity_name(QLatin1Char(parity))));
    });
    connect(e, &listen_engine::open_failed, this, [this](const QString &error) {
        run->say(text::tr("cannot open %1: %2").arg(about.port, error));
    });
    connect(e, &listen_engine::no_frames_yet, this, [this] {
        run->say(text::tr("no traffic forms frames at any setting yet; listening on"));
    });
    connect(e, &listen_engine::settings_found, this,
            [this](int baud, const QString &parities, int frames, int noise) {
                run->say(QString());
                settings->setText(text::tr("line settings found: %1 baud, %2, 1 or 2 stop bits "
                                           "(%3 frames, %4 CRC errors)")
                                      .arg(baud)
                                      .arg(parity_text(parities))
                                      .arg(frames)
                                      .arg(noise));
            });
    connect(e, &listen_engine::settings_lost, this, [this](const QString &were) {
        run->say(text::tr("the traffic no longer forms frames at %1: finding the line's "
                          "settings again")
                     .arg(were));
    });
    connect(e, &listen_engine::identified, this, [this](int address, const QByteArray &ident) {
        row_of(address).model = decode_ident(ident).string_name + QStringLiteral("; ")
            + serial_text(serial_number(ident));
        show_row(address);
        idents[address] = ident;
        if (!recorded(address))
            return;
        run_figures meta = about;
        meta.address = address;
        meta.identified(ident);
        run->describe(meta);
        run->identified(address, ident);
    });
    connect(e, &listen_engine::slave_reading, this, &listen_page::reading_came);
    connect(e, &listen_engine::slave_silent, this, [this](int address) {
        row_of(address).silent = true;
        show_row(address);
    });
    connect(e, &listen_engine::port_gone, this,
            [this] { run->say(text::tr("the port %1 has gone").arg(about.port)); });
    connect(e, &listen_engine::finished, this, &listen_page::ended);
    show_running(true, start_button, stop_button, { line, files });
    run->open_broker(plan.port);
    figures_due.start();
    e->start();
}

void listen_page::stop()
{
    if (engine)
        engine->stop();
}

listen_page::slave_row &listen_page::row_of(int address)
{
    auto known = heard.find(address);
    if (known != heard.end())
        return known->second;
    slave_row &r = heard[address];
    r.row = slaves->rowCount();
    r.first = QDateTime::currentDateTime();
    slaves->insertRow(r.row);
    for (int c = 0; c < 4; ++c)
        slaves->setItem(r.row, c, new QTableWidgetItem);
    slaves->item(r.row, 0)->setText(QString::number(address));
    return r;
}

void listen_page::show_row(int address)
{
    const slave_row &r = row_of(address);
    const double minutes
        = std::max(1.0 / 60, r.first.msecsTo(QDateTime::currentDateTime()) / 60000.0);
    slaves->item(r.row, 1)->setText(r.model);
    slaves->item(r.row, 2)->setText(
        QString::number(r.replies)
        + (r.silent ? QStringLiteral(" (") + text::tr("does not answer") + QLatin1Char(')')
                    : QString()));
    slaves->item(r.row, 3)->setText(QString::number(r.replies / minutes, 'f', 1));
}

void listen_page::reading_came(int address, const reading &r, bool single_input,
                               exchange_outcome result, const QDateTime &at)
{
    slave_row &row = row_of(address);
    ++row.replies;
    row.silent = false;
    show_row(address);
    if (!recorded(address))
        return;
    run->add(address, r, single_input, result, at);
    if (chosen() == address && slaves->currentRow() != row.row)
        slaves->selectRow(row.row);
}

int listen_page::chosen() const
{
    return single_address() != 0 ? single_address() : run->shown_address();
}

void listen_page::show_bus()
{
    if (!engine)
        return;
    const bus_figures &f = engine->figures();
    const double seconds = engine->elapsed_s();
    QString text_shown = text::tr("Requests: %1 (%2 a second); replies: %3; exceptions: %4; CRC "
                                  "errors: %5; unanswered: %6")
                             .arg(f.request_count)
                             .arg(seconds > 0 ? f.request_count / seconds : 0.0, 0, 'f', 1)
                             .arg(f.replies)
                             .arg(f.exceptions)
                             .arg(f.crc_errors)
                             .arg(f.unanswered);
    const QString latency = latency_text(f);
    if (!latency.isEmpty())
        text_shown += QLatin1Char('\n') + latency;
    bus->setText(text_shown);
    for (const auto &h : heard)
        show_row(h.first);
}

void listen_page::ended(bool)
{
    show_bus();
    figures_due.stop();
    // Each slave recorded, about the line as it was found and what the listener missed of it.
    QVector<run_figures> runs;
    for (int address :
         single_address() != 0 ? QVector<int> { single_address() } : run->addresses()) {
        if (run->figures(address).polls == 0)
            continue;
        run_figures meta = about;
        meta.settings = engine->settings_text();
        meta.address = address;
        const std::pair<int, int> missed = engine->missed(address);
        meta.crc_errors = missed.first;
        meta.timeouts = missed.second;
        meta.identified(
            idents.value(address, single_address() != 0 ? engine->first_ident() : QByteArray()));
        runs << meta;
    }
    if (!runs.isEmpty())
        run->finish(runs);
    else
        run->finish_nothing();
    show_running(false, start_button, stop_button, { line, files });
    files->after_run();
    engine.release()->deleteLater();
    emit finished();
}

} // namespace orte
