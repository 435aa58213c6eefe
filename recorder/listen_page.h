#pragma once

// Прослушивание: a bus another master polls, heard without sending a byte: the line's
// settings found, the slaves heard, the chosen slave's values drawn live and recorded.

#include "engine/listen_engine.h"
#include "recorder/line_box.h"
#include "recorder/run_view.h"

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QWidget>

#include <map>
#include <memory>

namespace orte {

class listen_page : public QWidget
{
    Q_OBJECT

public:
    explicit listen_page(QWidget *parent = nullptr);
    void start();
    void stop();
    bool running() const { return engine != nullptr; }
    // The slave whose values are drawn and recorded (0: none heard yet).
    int chosen() const { return chosen_address; }

    line_box *line;
    files_box *files;
    QPushButton *start_button;
    QPushButton *stop_button;
    QLabel *settings;
    QTableWidget *slaves;
    QLabel *bus;
    run_view *run;

signals:
    void finished();

private:
    struct slave_row
    {
        int row = 0;
        int replies = 0;
        QDateTime first;
        QString model;
        bool silent = false;
    };
    slave_row &row_of(int address);
    void show_row(int address);
    void show_bus();
    void reading_came(int address, const reading &r, bool single_input, exchange_outcome result,
                      const QDateTime &at);
    void ended(bool failed);
    std::unique_ptr<listen_engine> engine;
    std::map<int, slave_row> heard;
    int chosen_address = 0;
    run_figures about;
    QTimer figures_due;
};

} // namespace orte
