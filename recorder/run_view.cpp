#include "recorder/run_view.h"

#include "decode/status.h"
#include "engine/texts.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QStandardPaths>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace orte {

files_box::files_box(QWidget *parent)
    : QWidget(parent)
    , csv_on(new QCheckBox(text::tr("CSV")))
    , csv_path(new QLineEdit)
    , csv_kind(new QComboBox)
    , xlsx_on(new QCheckBox(text::tr("Workbook")))
    , xlsx_path(new QLineEdit)
{
    csv_kind->addItems({ text::tr("for a spreadsheet"), text::tr("plain") });
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    auto *csv_choose = new QToolButton;
    csv_choose->setText(QStringLiteral("…"));
    auto *xlsx_choose = new QToolButton;
    xlsx_choose->setText(QStringLiteral("…"));
    grid->addWidget(xlsx_on, 0, 0);
    grid->addWidget(xlsx_path, 0, 1, 1, 2);
    grid->addWidget(xlsx_choose, 0, 3);
    grid->addWidget(csv_on, 1, 0);
    grid->addWidget(csv_path, 1, 1);
    grid->addWidget(csv_kind, 1, 2);
    grid->addWidget(csv_choose, 1, 3);
    grid->setColumnStretch(1, 1);
    xlsx_on->setChecked(true);
    csv_on->setChecked(true);
    connect(csv_choose, &QToolButton::clicked, this,
            [this] { choose(csv_path, text::tr("CSV files (*.csv)")); });
    connect(xlsx_choose, &QToolButton::clicked, this,
            [this] { choose(xlsx_path, text::tr("Excel workbooks (*.xlsx)")); });
    propose_names();
}

QString files_box::folder()
{
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    return QDir(documents).filePath(QString::fromUtf8("ОРТЕ-473"));
}

void files_box::propose_names()
{
    const QString stem = QDir(folder()).filePath(
        QStringLiteral("orte-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")));
    csv_path->setText(QDir::toNativeSeparators(stem + QStringLiteral(".csv")));
    xlsx_path->setText(QDir::toNativeSeparators(stem + QStringLiteral(".xlsx")));
}

QString files_box::csv_name() const
{
    return csv_on->isChecked() ? QDir::fromNativeSeparators(csv_path->text().trimmed()) : QString();
}

QString files_box::xlsx_name() const
{
    return xlsx_on->isChecked() ? QDir::fromNativeSeparators(xlsx_path->text().trimmed())
                                : QString();
}

void files_box::choose(QLineEdit *path, const QString &filter)
{
    QDir().mkpath(folder());
    const QString chosen = QFileDialog::getSaveFileName(
        this, text::tr("Record to"), QDir::fromNativeSeparators(path->text()), filter);
    if (!chosen.isEmpty())
        path->setText(QDir::toNativeSeparators(chosen));
}

void show_running(bool running, QPushButton *start, QPushButton *stop,
                  std::initializer_list<QWidget *> fields)
{
    start->setEnabled(!running);
    stop->setEnabled(running);
    for (QWidget *field : fields)
        field->setEnabled(!running);
}

run_view::run_view(QWidget *parent)
    : QWidget(parent)
    , chart(new trend_chart)
    , values(new QLabel)
    , health(new QLabel)
    , summary(new QLabel)
    , message(new QLabel)
    , where(new QLabel)
    , open_folder(new QPushButton(text::tr("Open the folder")))
{
    // The chart, and beside it what the converter shows now and how the run goes.
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    chart->setMinimumSize(360, 240);
    layout->addWidget(chart, 1);
    auto *side = new QWidget;
    side->setMaximumWidth(340);
    side->setMinimumWidth(220);
    auto *column = new QVBoxLayout(side);
    column->setContentsMargins(0, 0, 0, 0);
    for (QLabel *l : { values, health, summary, message, where }) {
        l->setWordWrap(true);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        column->addWidget(l);
    }
    message->setStyleSheet(QStringLiteral("color: #a02010"));
    column->addWidget(open_folder);
    column->addStretch(1);
    layout->addWidget(side);
    open_folder->setVisible(false);
    texts_due.setSingleShot(true);
    texts_due.setInterval(500);
    connect(&texts_due, &QTimer::timeout, this, &run_view::show_texts);
    connect(open_folder, &QPushButton::clicked, this,
            [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(folder_shown)); });
}

bool run_view::begin(const files_box &box)
{
    message->clear();
    where->clear();
    open_folder->setVisible(false);
    auto made = std::make_unique<recording>([this](const QString &said) { say(said); });
    // The proposed folder is made on the first recording into it.
    for (const QString &name : { box.csv_name(), box.xlsx_name() })
        if (!name.isEmpty()
            && QFileInfo(name).absolutePath() == QDir(files_box::folder()).absolutePath())
            QDir().mkpath(files_box::folder());
    if (!made->claim(box.csv_name(), box.csv_plain(), box.xlsx_name(), false))
        return false;
    files = std::move(made);
    run = run_figures {};
    have_status = false;
    charted = 0;
    chart->restart();
    values->clear();
    show_figures();
    return true;
}

void run_view::say(const QString &what)
{
    message->setText(what);
}

void run_view::add(const reading &r, bool single_input, exchange_outcome result,
                   const QDateTime &at)
{
    const poll_record record = record_of(r, single_input, result, at);
    run.add(record);
    if (files)
        files->add(record);
    const qint64 ms = at.toMSecsSinceEpoch();
    if (r.have_status) {
        const status_view s = decode_status(r.status);
        chart->set_fault(0, ms, s.in1_fault);
        chart->set_fault(1, ms, s.in2_fault);
        const quint8 setpoints = r.status & 0xF0;
        if (have_status && setpoints != last_setpoints) {
            QStringList what;
            for (const QString &t : { s.setpoints_in1, s.setpoints_in2 })
                if (!t.isEmpty())
                    what << t;
            chart->mark(ms, what.join(QStringLiteral("; ")));
        }
        last_setpoints = setpoints;
        have_status = true;
    }
    // Each measurement once: the polls between repeat it in the files, not on the chart.
    if (r.have_measure && r.measurements != charted) {
        charted = r.measurements;
        chart->add(ms, record.value, record.cold_junction);
    }
    for (int i = 0; i < 2; ++i)
        chart->set_axis_title(i, axis_name(i + 1, run.type[size_t(i)]));
    shown = r;
    // The texts at most twice a second: each costs the side column a new layout.
    if (!texts_due.isActive())
        texts_due.start();
}

void run_view::show_texts()
{
    texts_due.stop();
    const reading &r = shown;
    // The monitor's own texts, a line each.
    QStringList lines;
    if (r.have_measure)
        for (const QString &t : { r.measure_shown.in1_value, r.measure_shown.in1_cold_junction,
                                  r.measure_shown.in2_value, r.measure_shown.in2_cold_junction })
            if (!t.isEmpty())
                lines << t.trimmed();
    if (r.have_status) {
        const status_view s = decode_status(r.status);
        lines << (s.faults.isEmpty() ? QString::fromUtf8("Ошибок нет") : s.faults);
        for (const QString &t : { s.setpoints_in1, s.setpoints_in2 })
            if (!t.isEmpty())
                lines << t;
    }
    if (!r.link.isEmpty())
        lines << r.link;
    values->setText(lines.join(QLatin1Char('\n')));
    show_figures();
}

void run_view::show_figures()
{
    health->setText(text::tr("Replies: %1; CRC errors: %2; time-outs: %3; exceptions: %4")
                        .arg(run.polls - run.crc_errors - run.timeouts - run.exceptions)
                        .arg(run.crc_errors)
                        .arg(run.timeouts)
                        .arg(run.exceptions));
    QStringList lines;
    for (size_t i = 0; i < 2; ++i)
        lines << summary_lines(int(i) + 1, run.inputs[i]);
    summary->setText(lines.join(QLatin1Char('\n')));
}

void run_view::finish_nothing()
{
    show_texts();
    files.reset();
    where->setText(text::tr("Nothing was recorded."));
}

void run_view::restart_chart()
{
    chart->restart();
    have_status = false;
}

bool run_view::finish(const run_figures &meta)
{
    if (!files)
        return true;
    show_texts();
    chart->redraw();
    // What was counted here, about the converter and the line as the page knows them.
    run_figures all = run;
    all.model_code = meta.model_code;
    all.serial = meta.serial;
    all.firmware = meta.firmware;
    all.port = meta.port;
    all.settings = meta.settings;
    all.address = meta.address;
    all.start = meta.start;
    all.end = QDateTime::currentDateTime();
    // What the page's front end counted beyond the polls (a listener's missed replies).
    all.crc_errors += meta.crc_errors;
    all.timeouts += meta.timeouts;
    const bool complete = files->finish(all);
    QStringList written;
    for (const QString &name : { files->xlsx_name(), files->csv_name() })
        if (!name.isEmpty() && QFileInfo::exists(name))
            written << QDir::toNativeSeparators(QFileInfo(name).absoluteFilePath());
    files.reset();
    if (!written.isEmpty()) {
        folder_shown = QFileInfo(QDir::fromNativeSeparators(written.constFirst())).absolutePath();
        where->setText(text::tr("Recorded: %1").arg(written.join(QStringLiteral(", "))));
        open_folder->setVisible(true);
    } else {
        where->setText(text::tr("Nothing was recorded."));
    }
    return complete;
}

} // namespace orte
