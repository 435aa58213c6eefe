#pragma once

// Прослушивание: a bus another master polls, heard without sending a byte: the line's
// settings found, the slaves heard, their values drawn live (the one chosen in the table shown)
// and recorded, each slave in a part of the files of its own.

#include "engine/listen_engine.h"
#include "recorder/line_box.h"
#include "recorder/run_view.h"

#include <QLabel>
#include <QMap>
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
    // The slave whose values are drawn (0: none heard yet).
    int chosen() const;

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
    bool recorded(int address) const { return listed.isEmpty() || listed.contains(address); }
    std::map<int, slave_row> heard;
    QVector<int> listed; // the slaves recorded (empty: every one heard)
    // The one slave listened to, or 0.
    int single_address() const { return listed.size() == 1 ? listed[0] : 0; }
    QMap<int, QByteArray> idents; // the identifications heard, by address
    run_figures about;
    QTimer figures_due;
};

} // namespace orte
