#include "recorder/recorder_window.h"

#include "engine/texts.h"

#include <QCloseEvent>
#include <QScrollArea>
#include <QSettings>

namespace orte {

namespace {
// A page in a scroll area: at a large display scaling on a small screen it still fits.
QWidget *scrolled(QWidget *page)
{
    auto *area = new QScrollArea;
    area->setWidget(page);
    area->setWidgetResizable(true);
    area->setFrameShape(QFrame::NoFrame);
    return area;
}
} // namespace

recorder_window::recorder_window(QWidget *parent)
    : QMainWindow(parent)
    , tabs(new QTabWidget)
    , find(new find_page)
    , record(new record_page)
    , listen(new listen_page)
{
    setWindowTitle(QString::fromUtf8("Самописец ОРТЕ-473"));
    tabs->addTab(scrolled(find), text::tr("Find"));
    tabs->addTab(scrolled(record), text::tr("Record", "the page"));
    tabs->addTab(scrolled(listen), text::tr("Listen"));
    setCentralWidget(tabs);
    resize(1024, 600);
    connect(find, &find_page::record, this,
            [this](const QString &port, const line_format &settings, int address) {
                record->line->set(port, settings);
                record->line->address->setValue(address);
                tabs->setCurrentIndex(1);
                record->start();
            });
    connect(find, &find_page::finished, this, &recorder_window::close_when_done);
    connect(record, &record_page::finished, this, &recorder_window::close_when_done);
    connect(listen, &listen_page::finished, this, &recorder_window::close_when_done);
}

bool recorder_window::running() const
{
    return find->running() || record->running() || listen->running();
}

void recorder_window::stop_all()
{
    find->stop();
    record->stop();
    listen->stop();
}

void recorder_window::close_when_done()
{
    if (closing && !running())
        close();
}

void recorder_window::closeEvent(QCloseEvent *event)
{
    save_settings();
    stop_all();
    // An engine that ends on its next step closes the window when it has.
    if (running()) {
        closing = true;
        event->ignore();
        return;
    }
    event->accept();
}

void recorder_window::restore_settings()
{
    QSettings s;
    find->speeds->setText(s.value(QStringLiteral("find/speeds"), find->speeds->text()).toString());
    find->first_address->setValue(s.value(QStringLiteral("find/first"), 1).toInt());
    find->last_address->setValue(s.value(QStringLiteral("find/last"), 128).toInt());
    for (line_box *line : { record->line, listen->line }) {
        const QString key
            = line == record->line ? QStringLiteral("record/") : QStringLiteral("listen/");
        const QString port = s.value(key + QStringLiteral("port")).toString();
        if (!port.isEmpty())
            line->port->setCurrentText(port);
        line->speed->setCurrentIndex(std::max(
            0, line->speed->findData(s.value(key + QStringLiteral("speed"), line->baud()))));
        line->parity->setCurrentIndex(
            std::max(0,
                     line->parity->findData(
                         s.value(key + QStringLiteral("parity"), int(line->parity_code())))));
        line->stops->setCurrentIndex(std::max(
            0, line->stops->findData(s.value(key + QStringLiteral("stops"), line->stop_bits()))));
        line->address->setValue(
            s.value(key + QStringLiteral("address"), line->address->value()).toInt());
    }
    record->period->setValue(s.value(QStringLiteral("record/period"), 300).toInt());
    for (files_box *f : { record->files, listen->files }) {
        const QString key
            = f == record->files ? QStringLiteral("record/") : QStringLiteral("listen/");
        f->xlsx_on->setChecked(
            s.value(key + QStringLiteral("xlsx"), f->xlsx_on->isChecked()).toBool());
        f->csv_on->setChecked(
            s.value(key + QStringLiteral("csv"), f->csv_on->isChecked()).toBool());
        f->set_csv_plain(s.value(key + QStringLiteral("csv_plain"), false).toBool());
    }
    tabs->setCurrentIndex(s.value(QStringLiteral("page"), 0).toInt());
}

void recorder_window::save_settings() const
{
    QSettings s;
    s.setValue(QStringLiteral("find/speeds"), find->speeds->text());
    s.setValue(QStringLiteral("find/first"), find->first_address->value());
    s.setValue(QStringLiteral("find/last"), find->last_address->value());
    for (line_box *line : { record->line, listen->line }) {
        const QString key
            = line == record->line ? QStringLiteral("record/") : QStringLiteral("listen/");
        s.setValue(key + QStringLiteral("port"), line->port_name());
        s.setValue(key + QStringLiteral("speed"), line->baud());
        s.setValue(key + QStringLiteral("parity"), int(line->parity_code()));
        s.setValue(key + QStringLiteral("stops"), line->stop_bits());
        s.setValue(key + QStringLiteral("address"), line->address->value());
    }
    s.setValue(QStringLiteral("record/period"), record->period->value());
    for (files_box *f : { record->files, listen->files }) {
        const QString key
            = f == record->files ? QStringLiteral("record/") : QStringLiteral("listen/");
        s.setValue(key + QStringLiteral("xlsx"), f->xlsx_on->isChecked());
        s.setValue(key + QStringLiteral("csv"), f->csv_on->isChecked());
        s.setValue(key + QStringLiteral("csv_plain"), f->csv_plain());
    }
    s.setValue(QStringLiteral("page"), tabs->currentIndex());
}

} // namespace orte
