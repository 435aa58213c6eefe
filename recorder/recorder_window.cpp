#include "recorder/recorder_window.h"

#include "engine/texts.h"

#include "engine/recording_reader.h"

#include <QAction>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScrollArea>
#include <QSettings>
#include <QUrl>
#include <QVBoxLayout>

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
    , opened(new QWidget)
    , opened_name(new QLabel)
    , opened_run(new run_view)
{
    setWindowTitle(QString::fromUtf8("Самописец ОРТЕ-473"));
    tabs->addTab(scrolled(find), text::tr("Find"));
    tabs->addTab(scrolled(record), text::tr("Record", "the page"));
    tabs->addTab(scrolled(listen), text::tr("Listen"));
    auto *opened_layout = new QVBoxLayout(opened);
    opened_name->setWordWrap(true);
    opened_name->setTextInteractionFlags(Qt::TextSelectableByMouse);
    opened_layout->addWidget(opened_name);
    opened_layout->addWidget(opened_run, 1);
    tabs->addTab(scrolled(opened), text::tr("Opened recording"));
    tabs->setTabVisible(3, false);
    setCentralWidget(tabs);
    QMenu *file_menu = menuBar()->addMenu(text::tr("&File"));
    QAction *open = file_menu->addAction(text::tr("&Open a recording…"));
    open->setShortcut(QKeySequence::Open);
    connect(open, &QAction::triggered, this, [this] {
        const QString file
            = QFileDialog::getOpenFileName(this, text::tr("Open a recording"), files_box::folder(),
                                           text::tr("Recordings (*.xlsx *.csv);;All files (*)"));
        if (!file.isEmpty())
            open_file(file);
    });
    QAction *mqtt = file_menu->addAction(text::tr("&MQTT broker…"));
    connect(mqtt, &QAction::triggered, this, &recorder_window::choose_broker);
    QAction *quit = file_menu->addAction(text::tr("&Quit"));
    quit->setShortcut(QKeySequence::Quit);
    connect(quit, &QAction::triggered, this, &QWidget::close);
    setAcceptDrops(true);
    // A small laptop's screen (1024×600) holds the window with its frame and title bar.
    resize(1000, 520);
    connect(
        find, &find_page::record, this,
        [this](const QString &port, const line_format &settings, const QVector<int> &addresses) {
            record->line->set(port, settings);
            record->line->set_addresses(addresses);
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

bool recorder_window::open_file(const QString &file, bool quiet, QString *error)
{
    run_figures about;
    QString why;
    // Rows come only once the whole file has been read: a file that fails leaves the chart.
    bool first = true;
    int charted = 0;
    const auto row = [this, &first, &charted](const poll_record &r) {
        if (first)
            opened_run->restart_chart();
        first = false;
        // Each measurement once, as the live chart drew it.
        opened_run->chart_row(r, r.measurement != charted);
        charted = r.measurement;
    };
    if (!read_recording(file, row, about, why)) {
        if (error)
            *error = why;
        if (!quiet)
            QMessageBox::warning(this, windowTitle(), why);
        return false;
    }
    if (first)
        opened_run->restart_chart();
    opened_run->show_run(about);
    QStringList what { QDir::toNativeSeparators(QFileInfo(file).absoluteFilePath()) };
    if (about.model_code || about.serial)
        what << opened_run->picture_title().section(QStringLiteral(": "), 1);
    opened_name->setText(what.join(QLatin1Char('\n')));
    tabs->setTabVisible(3, true);
    tabs->setCurrentIndex(3);
    return true;
}

void recorder_window::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void recorder_window::dropEvent(QDropEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.constFirst().isLocalFile()) {
        event->acceptProposedAction();
        open_file(urls.constFirst().toLocalFile());
    }
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
        // An earlier version kept a number, 0 for "any".
        const QString addresses
            = s.value(key + QStringLiteral("address"), line->addresses->text()).toString();
        line->addresses->setText(addresses == QLatin1String("0") ? QString() : addresses);
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
    tabs->setCurrentIndex(std::min(2, s.value(QStringLiteral("page"), 0).toInt()));
    QString error;
    if (!set_broker(s.value(QStringLiteral("mqtt/broker")).toString(), QString(), error))
        set_broker(QString(), QString(), error);
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
        s.setValue(key + QStringLiteral("address"), line->addresses->text().trimmed());
    }
    s.setValue(QStringLiteral("record/period"), record->period->value());
    for (files_box *f : { record->files, listen->files }) {
        const QString key
            = f == record->files ? QStringLiteral("record/") : QStringLiteral("listen/");
        s.setValue(key + QStringLiteral("xlsx"), f->xlsx_on->isChecked());
        s.setValue(key + QStringLiteral("csv"), f->csv_on->isChecked());
        s.setValue(key + QStringLiteral("csv_plain"), f->csv_plain());
    }
    s.setValue(QStringLiteral("page"), std::min(2, tabs->currentIndex()));
    s.setValue(QStringLiteral("mqtt/broker"), broker);
}

bool recorder_window::set_broker(const QString &url, const QString &password, QString &error)
{
    std::optional<mqtt_target> target;
    if (!url.trimmed().isEmpty()) {
        mqtt_target t;
        if (!parse_mqtt_url(url.trimmed(), t, error))
            return false;
        if (!password.isEmpty())
            t.password = password;
        target = t;
    }
    broker = target ? mqtt_shown(*target) : QString();
    broker_password = target ? target->password : QString();
    record->run->broker = target;
    listen->run->broker = target;
    return true;
}

void recorder_window::choose_broker()
{
    QDialog dialog(this);
    dialog.setWindowTitle(text::tr("MQTT broker"));
    auto *url = new QLineEdit(broker);
    url->setPlaceholderText(QStringLiteral("mqtt://HOST[:PORT]/PREFIX"));
    url->setMinimumWidth(url->fontMetrics().averageCharWidth() * 48);
    auto *password = new QLineEdit(broker_password);
    password->setEchoMode(QLineEdit::Password);
    auto *said = new QLabel(
        text::tr("Each poll of Record and Listen goes to the broker as well, as JSON on "
                 "PREFIX/SERIAL/state. Empty: no broker. The password is kept until the program "
                 "ends, never stored."));
    said->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    auto *form = new QFormLayout(&dialog);
    form->addRow(said);
    form->addRow(text::tr("Broker"), url);
    form->addRow(text::tr("Password"), password);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        QString error;
        if (set_broker(url->text(), password->text(), error))
            dialog.accept();
        else
            said->setText(error);
    });
    dialog.exec();
}

} // namespace orte
