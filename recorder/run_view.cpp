#include "recorder/run_view.h"

#include "decode/status.h"
#include "engine/texts.h"
#include "log/file_safety.h"

#include "engine/csv.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScrollArea>
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
    // A name typed is the user's: kept, and no longer a proposal to refresh.
    for (QLineEdit *path : { csv_path, xlsx_path })
        connect(path, &QLineEdit::textChanged, this, [this] { proposed = false; });
    connect(csv_choose, &QToolButton::clicked, this,
            [this] { choose(csv_path, text::tr("CSV files (*.csv)")); });
    connect(xlsx_choose, &QToolButton::clicked, this,
            [this] { choose(xlsx_path, text::tr("Excel workbooks (*.xlsx)")); });
    propose_names();
}

QString files_box::folder()
{
    return documents_folder();
}

bool files_box::replace_agreed(const QString &name) const
{
    return !name.isEmpty() && agreed.contains(QDir::cleanPath(name));
}

void files_box::after_run()
{
    for (const QString &name : { csv_name(), xlsx_name() })
        if (!name.isEmpty() && QFileInfo::exists(name)) {
            propose_names();
            return;
        }
}

void files_box::refresh_proposal()
{
    if (proposed)
        propose_names();
}

void files_box::propose_names()
{
    agreed.clear();
    const QString base = QDir(folder()).filePath(
        QStringLiteral("orte-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")));
    // A run that ended within the second it began leaves files of this name: the next is -2.
    QString stem = base;
    for (int n = 2; QFileInfo::exists(stem + QStringLiteral(".csv"))
         || QFileInfo::exists(stem + QStringLiteral(".xlsx"));
         ++n)
        stem = base + QStringLiteral("-%1").arg(n);
    csv_path->setText(QDir::toNativeSeparators(stem + QStringLiteral(".csv")));
    xlsx_path->setText(QDir::toNativeSeparators(stem + QStringLiteral(".xlsx")));
    proposed = true;
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
    if (chosen.isEmpty())
        return;
    // The dialog asked before a file that exists was chosen: it is replaced, not refused.
    path->setText(QDir::toNativeSeparators(chosen));
    agreed << QDir::cleanPath(chosen);
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
    , chart(nullptr)
    , converter_choice(new QComboBox)
    , view_choice(new QComboBox)
    , follow(new QPushButton(text::tr("Follow")))
    , cold_junction(new QCheckBox(text::tr("Cold junction")))
    , marker_list(new QLabel)
    , values(new QLabel)
    , health(new QLabel)
    , summary(new QLabel)
    , message(new QLabel)
    , where(new QLabel)
    , open_folder(new QPushButton(text::tr("Open the folder")))
    , charts(new QStackedWidget)
{
    // The chart, and beside it what the converter shows now and how the run goes.
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    for (int minutes : chart_window::follow_choices)
        view_choice->addItem(
            minutes == 0 ? text::tr("whole run") : text::tr("last %1 min").arg(minutes), minutes);
    view_choice->setToolTip(text::tr("Wheel: zoom the time (Ctrl: the values); drag: zoom to "
                                     "a rectangle; right button: pan; double click: the whole "
                                     "run; Ctrl+click: a marker"));
    follow->setToolTip(text::tr("Follow the newest values again"));
    cold_junction->setChecked(true);
    auto *save = new QToolButton;
    save->setText(text::tr("Save picture…"));
    auto *copy = new QToolButton;
    copy->setText(text::tr("Copy"));
    copy->setToolTip(text::tr("Copy the chart's picture to the clipboard"));
    auto *chart_column = new QVBoxLayout;
    chart_column->addWidget(converter_choice);
    chart_column->addWidget(charts, 1);
    converter_choice->setVisible(false);
    layout->addLayout(chart_column, 1);
    units[0].chart = chart = new_chart();
    connect(converter_choice, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) { show_unit(converter_choice->itemData(index).toInt()); });
    connect(view_choice, QOverload<int>::of(&QComboBox::activated), this, [this](int index) {
        chart->view().follow(view_choice->itemData(index).toInt());
        chart->view_set();
    });
    connect(follow, &QPushButton::clicked, this, [this] {
        chart->view().resume();
        chart->view_set();
    });
    connect(cold_junction, &QCheckBox::toggled, this, [this](bool shown) {
        for (auto &u : units)
            u.second.chart->show_cold_junction(shown);
    });
    connect(save, &QToolButton::clicked, this, [this] {
        QDir().mkpath(files_box::folder());
        const QString file = QFileDialog::getSaveFileName(
            this, text::tr("Save the chart"),
            QDir(files_box::folder()).filePath(QStringLiteral("chart.png")),
            text::tr("PNG pictures (*.png)"));
        if (!file.isEmpty() && !save_picture(file))
            say(text::tr("cannot write %1").arg(QDir::toNativeSeparators(file)));
    });
    connect(copy, &QToolButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setPixmap(picture()); });
    // The side column: the chart's controls, then the texts; it scrolls on its own, so that
    // long texts never make the page taller than a small screen.
    auto *side = new QWidget;
    auto *column = new QVBoxLayout(side);
    column->setContentsMargins(0, 0, 4, 0);
    auto *controls = new QGridLayout;
    controls->addWidget(new QLabel(text::tr("View")), 0, 0);
    controls->addWidget(view_choice, 0, 1);
    controls->addWidget(follow, 1, 1);
    controls->addWidget(cold_junction, 2, 0, 1, 2);
    controls->addWidget(save, 3, 0, 1, 2, Qt::AlignLeft);
    controls->addWidget(copy, 4, 0, 1, 2, Qt::AlignLeft);
    controls->setColumnStretch(1, 1);
    column->addLayout(controls);
    for (QLabel *l : { values, health, summary, marker_list, message, where }) {
        l->setWordWrap(true);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        column->addWidget(l);
    }
    message->setStyleSheet(QStringLiteral("color: #a02010"));
    column->addWidget(open_folder);
    column->addStretch(1);
    auto *side_area = new QScrollArea;
    side_area->setWidget(side);
    side_area->setWidgetResizable(true);
    side_area->setFrameShape(QFrame::NoFrame);
    side_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    side_area->setMinimumWidth(240);
    side_area->setMaximumWidth(320);
    layout->addWidget(side_area);
    open_folder->setVisible(false);
    texts_due.setSingleShot(true);
    texts_due.setInterval(500);
    connect(&texts_due, &QTimer::timeout, this, &run_view::show_texts);
    connect(open_folder, &QPushButton::clicked, this,
            [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(folder_shown)); });
}

trend_chart *run_view::new_chart()
{
    auto *made = new trend_chart;
    made->setMinimumSize(360, 220);
    made->show_cold_junction(cold_junction->isChecked());
    charts->addWidget(made);
    // The controls beside the chart speak of the chart shown.
    connect(made, &trend_chart::view_changed, this, [this, made] {
        if (made == chart)
            follow->setEnabled(!chart->view().following());
    });
    connect(made, &trend_chart::markers_changed, this, [this, made] {
        if (made == chart)
            marker_list->setText(chart->marker_lines().join(QLatin1Char('\n')));
    });
    return made;
}

run_view::unit &run_view::unit_at(int address)
{
    if (!several)
        return units.begin()->second;
    auto known = units.find(address);
    if (known != units.end())
        return known->second;
    // The first converter takes the chart the run began with.
    if (units.size() == 1 && units.begin()->first == 0) {
        auto first = units.extract(units.begin());
        first.key() = address;
        units.insert(std::move(first));
        current = address;
    } else {
        units[address].chart = new_chart();
    }
    converter_choice->addItem(unit_name(address), address);
    converter_choice->setCurrentIndex(converter_choice->findData(current));
    return units[address];
}

QString run_view::unit_name(int address) const
{
    QStringList parts { text::tr("address %1").arg(address) };
    const auto known = units.find(address);
    if (known != units.end() && known->second.about.serial)
        parts << text::tr("serial number %1").arg(*known->second.about.serial);
    return parts.join(QStringLiteral(", "));
}

const run_figures &run_view::figures(int address) const
{
    const auto known = units.find(several ? address : units.begin()->first);
    return known != units.end() ? known->second.run : shown_unit().run;
}

QVector<int> run_view::addresses() const
{
    QVector<int> all;
    for (int i = 0; several && i < converter_choice->count(); ++i)
        all << converter_choice->itemData(i).toInt();
    return all;
}

void run_view::show_unit(int address)
{
    if (!several || !units.count(address))
        return;
    current = address;
    chart = units[address].chart;
    charts->setCurrentWidget(chart);
    converter_choice->setCurrentIndex(converter_choice->findData(address));
    follow->setEnabled(!chart->view().following());
    marker_list->setText(chart->marker_lines().join(QLatin1Char('\n')));
    show_texts();
}

void run_view::describe(const run_figures &meta)
{
    unit_at(meta.address).about = meta;
    const int index = converter_choice->findData(meta.address);
    if (several && index >= 0)
        converter_choice->setItemText(index, unit_name(meta.address));
}

bool run_view::begin(const files_box &box, bool several_converters)
{
    message->clear();
    where->clear();
    open_folder->setVisible(false);
    auto made = std::make_unique<recording>([this](const QString &said) {
        // A file that exists: the window's way to replace it.
        const recording *r = files ? files.get() : claiming;
        say(r && r->refused_existing()
                ? said + text::tr(" (choose it with «…» and agree to replace it)")
                : said);
    });
    made->set_several(several_converters);
    claiming = made.get();
    // The proposed folder is made on the first recording into it.
    for (const QString &name : { box.csv_name(), box.xlsx_name() })
        if (!name.isEmpty()
            && QFileInfo(name).absolutePath() == QDir(files_box::folder()).absolutePath())
            QDir().mkpath(files_box::folder());
    const bool claimed
        = made->claim(box.csv_name(), box.csv_plain(), box.xlsx_name(),
                      box.replace_agreed(box.csv_name()), box.replace_agreed(box.xlsx_name()));
    claiming = nullptr;
    if (!claimed)
        return false;
    files = std::move(made);
    // One chart to begin with, the one shown; the others of an earlier run go.
    for (auto &u : units)
        if (u.second.chart != chart) {
            charts->removeWidget(u.second.chart);
            u.second.chart->deleteLater();
        }
    units.clear();
    units[0].chart = chart;
    current = 0;
    several = several_converters;
    converter_choice->clear();
    converter_choice->setVisible(several);
    chart->restart();
    values->clear();
    show_figures();
    return true;
}

void run_view::open_broker(const QString &line)
{
    if (!broker)
        return;
    mqtt = std::make_unique<mqtt_publisher>(*broker);
    mqtt_line = line;
    connect(mqtt.get(), &mqtt_publisher::said, this, &run_view::say);
}

void run_view::identified(int address, const QByteArray &ident)
{
    if (mqtt)
        mqtt->identified(mqtt_line, address, ident);
}

void run_view::close_broker()
{
    if (!mqtt)
        return;
    mqtt->finish(mqtt_finish_ms);
    const QString said = undelivered_text(*mqtt);
    if (!said.isEmpty())
        say(said);
    mqtt.reset();
}

void run_view::say(const QString &what)
{
    message->setText(what);
}

void run_view::add(int address, const reading &r, bool single_input, exchange_outcome result,
                   const QDateTime &at)
{
    unit &u = unit_at(address);
    poll_record record = record_of(r, single_input, result, at);
    if (several)
        record.address = address;
    u.run.add(record);
    if (files)
        files->add(record);
    if (mqtt)
        mqtt->polled(mqtt_line, address, record, single_input);
    // Each measurement once: the polls between repeat it in the files, not on the chart.
    const bool values_new = r.have_measure && r.measurements != u.charted;
    if (values_new)
        u.charted = r.measurements;
    chart_row(u, record, values_new);
    for (int i = 0; i < 2; ++i)
        u.chart->set_axis_title(i, axis_name(i + 1, u.run.type[size_t(i)]));
    u.shown = r;
    QStringList now;
    if (r.have_measure)
        for (const QString &t : { r.measure_shown.in1_value, r.measure_shown.in1_cold_junction,
                                  r.measure_shown.in2_value, r.measure_shown.in2_cold_junction })
            if (!t.isEmpty())
                now << t.trimmed();
    // A failed exchange leaves the last values standing, with the link's text below them.
    if (!now.isEmpty() || r.link.isEmpty())
        u.value_lines = now;
    // The texts at most twice a second: each costs the side column a new layout.
    if (u.chart == chart && !texts_due.isActive())
        texts_due.start();
}

void run_view::chart_row(const poll_record &record, bool values_new)
{
    chart_row(units.at(current), record, values_new);
}

void run_view::chart_row(unit &u, const poll_record &record, bool values_new)
{
    const qint64 ms = record.at.toMSecsSinceEpoch();
    const bool lost = record.result == exchange_outcome::crc_error
        || record.result == exchange_outcome::timeout;
    u.chart->set_outage(ms, lost);
    if (record.flags[0]) {
        u.chart->set_fault(0, ms, *record.flags[0] != 0);
        u.chart->set_fault(1, ms, record.flags[1].value_or(0) != 0);
        quint8 setpoints = 0;
        for (int bit = 4; bit < 8; ++bit)
            if (record.flags[size_t(bit)].value_or(0))
                setpoints |= quint8(1 << bit);
        // A mark for each setpoint flag that rose or fell, saying which.
        for (int bit = 4; bit < 8 && u.have_status && setpoints != u.last_setpoints; ++bit) {
            const quint8 flag = quint8(1 << bit);
            if ((setpoints ^ u.last_setpoints) & flag) {
                const QStringList headings = column_headings();
                const bool rose = setpoints & flag;
                u.chart->mark(
                    ms,
                    (rose ? text::tr("%1: begins") : text::tr("%1: ends")).arg(headings[7 + bit]),
                    rose);
            }
        }
        u.last_setpoints = setpoints;
        u.have_status = true;
    }
    if (values_new && !lost)
        u.chart->add(ms, record.value, record.cold_junction);
}

void run_view::show_texts()
{
    texts_due.stop();
    const unit &u = shown_unit();
    const reading &r = u.shown;
    // The monitor's own texts, a line each.
    QStringList lines = u.value_lines;
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
    const run_figures &run = shown_unit().run;
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
    close_broker();
    where->setText(text::tr("Nothing was recorded."));
}

void run_view::restart_chart()
{
    unit &u = units.at(current);
    u.chart->restart();
    u.have_status = false;
}

void run_view::show_run(const run_figures &meta)
{
    unit &u = units.at(current);
    u.run = meta;
    u.about = meta;
    u.chart->redraw();
    values->clear();
    message->clear();
    where->clear();
    open_folder->setVisible(false);
    for (int i = 0; i < 2; ++i)
        u.chart->set_axis_title(i, axis_name(i + 1, u.run.type[size_t(i)]));
    show_figures();
}

QString run_view::picture_title() const
{
    const run_figures &about = shown_unit().about;
    QStringList parts;
    if (about.model_code)
        parts << text::tr("model %1").arg(*about.model_code);
    if (about.serial)
        parts << text::tr("serial number %1").arg(*about.serial);
    if (!about.port.isEmpty())
        parts << about.port;
    if (about.address > 0)
        parts << text::tr("address %1").arg(about.address);
    const time_span s = chart->span();
    const QDateTime from = QDateTime::fromMSecsSinceEpoch(s.from);
    const QDateTime to = QDateTime::fromMSecsSinceEpoch(s.to);
    parts << from.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QStringLiteral(" – ")
            + to.toString(from.date() == to.date() ? QStringLiteral("HH:mm:ss")
                                                   : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return QString::fromUtf8("ОРТЕ-473") + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
}

QPixmap run_view::picture()
{
    chart->redraw();
    return chart->picture(picture_title());
}

bool run_view::save_picture(const QString &file)
{
    return picture().save(file, "PNG");
}

bool run_view::finish(const QVector<run_figures> &meta)
{
    if (!files)
        return true;
    show_texts();
    const QDateTime end = QDateTime::currentDateTime();
    QVector<run_figures> runs;
    for (const run_figures &m : meta) {
        unit &u = unit_at(m.address);
        u.chart->redraw();
        // What was counted here, about the converter and the line as the page knows them.
        run_figures all = u.run;
        all.take_identity(m);
        all.start = m.start;
        all.end = end;
        u.about = all;
        all.crc_errors += m.crc_errors;
        all.timeouts += m.timeouts;
        runs << all;
    }
    const bool complete = files->finish(runs);
    close_broker();
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
