#pragma once

// What the recording and the listening pages share: where the files go, and while a run
// lasts the live chart, the current values in the monitor's own texts, the link's health and
// the summary; at its end where the files are.

#include "engine/mqtt.h"
#include "engine/recording.h"
#include "recorder/trend_chart.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QWidget>

#include <initializer_list>
#include <map>
#include <memory>
#include <optional>

namespace orte {

// The files of a recording as the user chose them.
class files_box : public QWidget
{
    Q_OBJECT

public:
    explicit files_box(QWidget *parent = nullptr);
    // New names from the date and time, in the user's documents folder.
    void propose_names();
    // The proposed names again from the time now (a run starting), unless the user named the
    // files.
    void refresh_proposal();
    // After a run: new names where it wrote its files; the names kept where it wrote none (a
    // start that failed), so that a typed name is not lost.
    void after_run();
    // The user agreed in the Save dialog to replace the file at `name`.
    bool replace_agreed(const QString &name) const;
    QString csv_name() const;
    bool csv_plain() const { return csv_kind->currentIndex() == 1; }
    QString xlsx_name() const;
    void set_csv_plain(bool plain) { csv_kind->setCurrentIndex(plain ? 1 : 0); }
    // Where the recordings go: Documents\ОРТЕ-473 (Linux: the documents folder's ОРТЕ-473).
    static QString folder();

    QCheckBox *csv_on;
    QLineEdit *csv_path;
    QComboBox *csv_kind;
    QCheckBox *xlsx_on;
    QLineEdit *xlsx_path;

private:
    void choose(QLineEdit *path, const QString &filter);
    bool proposed = false; // the names are the page's proposal
    QStringList agreed; // chosen in the Save dialog, which asked before replacing
};

// A page's controls while a run lasts: Start off, Stop on, the fields that set the run locked;
// the other way round after.
void show_running(bool running, QPushButton *start, QPushButton *stop,
                  std::initializer_list<QWidget *> fields);

// A run's view: the live chart, the current values in the monitor's own texts, the link's
// health and the summary; at its end where the files are. A run of several converters keeps
// a chart and texts for each, one shown at a time, chosen over the chart.
class run_view : public QWidget
{
    Q_OBJECT

public:
    explicit run_view(QWidget *parent = nullptr);
    // A new run into `files`' choice: false, said in the window, when a file cannot be
    // written. `several`: of several converters, each by its address.
    bool begin(const files_box &files, bool several = false);
    // One reply's reading (a poll, or a reply heard on the bus) of the converter at `address`.
    void add(int address, const reading &r, bool single_input, exchange_outcome result,
             const QDateTime &at);
    // The run's end: the workbook written; where the files are said. `meta` says what each
    // converter is and where it was read, in the order the files show them, and what its
    // front end counted beyond the polls (a listener's missed replies). False when the files
    // miss part of the run.
    bool finish(const QVector<run_figures> &meta);
    bool finish(const run_figures &meta) { return finish(QVector<run_figures> { meta }); }
    // The run's end with nothing to keep (no converter answered): no file is made.
    void finish_nothing();
    // The chart shown drawn anew (an earlier recording opened into it).
    void restart_chart();
    bool running() const { return files != nullptr; }
    // What the run counted of the converter shown, or of the one at `address`.
    const run_figures &figures() const { return shown_unit().run; }
    const run_figures &figures(int address) const;
    // The converters of a run of several, by address, as they came.
    QVector<int> addresses() const;
    // The converter at `address` shown (its chart, its texts).
    void show_unit(int address);
    int shown_address() const { return several ? current : 0; }
    // The broker each reading is handed to (none: the files alone), as the settings say.
    std::optional<mqtt_target> broker;
    // The run's readings handed to the broker from now on, of the line `line`.
    void open_broker(const QString &line);
    // A converter identified: the broker knows it by its serial number from now on.
    void identified(int address, const QByteArray &ident);
    // A message in the window's own line (a port that went, a file that failed).
    void say(const QString &what);
    // Puts one row on the chart shown: its values where `values_new`, its faults, its setpoint
    // crossings and the link's loss.
    void chart_row(const poll_record &record, bool values_new);
    // Shows a finished run's rows (an earlier recording opened): the chart and the summary,
    // `about` the converter and the line as the file says them.
    void show_run(const run_figures &about);
    // The converter and the line, as the page knows them, for the picture's title and the
    // choice over the chart.
    void describe(const run_figures &meta);
    // What the chart's picture is titled: the converter and the span shown.
    QString picture_title() const;
    // The chart drawn now, titled.
    QPixmap picture();
    // The chart's picture into `file`: false when it cannot be written.
    bool save_picture(const QString &file);

    trend_chart *chart; // the chart shown
    // Over the chart: the converter shown (a run of several).
    QComboBox *converter_choice;
    // Beside the chart: which span it follows, following again, the cold junctions, the picture.
    QComboBox *view_choice;
    QPushButton *follow;
    QCheckBox *cold_junction;
    QLabel *marker_list;
    QLabel *values; // the monitor's texts
    QLabel *health;
    QLabel *summary;
    QLabel *message;
    QLabel *where;
    QPushButton *open_folder;

    // The texts as they stand now (otherwise at most twice a second while polls come).
    void show_texts();

private:
    // One converter's part of the run.
    struct unit
    {
        trend_chart *chart = nullptr;
        run_figures run; // what was counted here
        run_figures about; // the converter and the line, for the picture's title
        quint8 last_setpoints = 0;
        bool have_status = false;
        int charted = 0; // the last measurement on the chart
        reading shown; // the last reading, for the texts
        QStringList value_lines; // the last values said, kept through a failed exchange
    };
    unit &unit_at(int address);
    const unit &shown_unit() const { return units.at(current); }
    trend_chart *new_chart();
    void chart_row(unit &u, const poll_record &record, bool values_new);
    QString unit_name(int address) const;
    void show_figures();
    void close_broker();
    std::unique_ptr<recording> files;
    std::unique_ptr<mqtt_publisher> mqtt;
    QString mqtt_line;
    recording *claiming = nullptr; // while its files are claimed
    QStackedWidget *charts;
    std::map<int, unit> units; // by address (one, at 0, unless several)
    int current = 0;
    bool several = false;
    QString folder_shown;
    QTimer texts_due;
};

} // namespace orte
