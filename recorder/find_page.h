#pragma once

// Поиск: the converter search over the ports, settings and addresses chosen, with orte-cli
// scan's defaults; what it finds in a table, from which a converter is recorded.

#include "engine/scan_engine.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QWidget>

#include <memory>

namespace orte {

class find_page : public QWidget
{
    Q_OBJECT

public:
    explicit find_page(QWidget *parent = nullptr);
    void refresh_ports();
    void start();
    void stop();
    bool running() const { return engine != nullptr; }
    // The plan the page's fields make; false, said, when a field is wrong.
    bool plan(scan_plan &out);

    QListWidget *ports;
    QLineEdit *typed_port;
    QPushButton *refresh;
    QLineEdit *speeds;
    std::array<QCheckBox *, 3> parity; // none, even, odd
    std::array<QCheckBox *, 2> stop_bits;
    QSpinBox *first_address;
    QSpinBox *last_address;
    QCheckBox *all;
    QPushButton *start_button;
    QPushButton *stop_button;
    QProgressBar *progress;
    QLabel *trying;
    QLabel *message;
    QTableWidget *found;
    QListWidget *heard;
    QPushButton *record_button;
    QPushButton *record_all_button;

signals:
    // "Записать": record the converters at these addresses of a line, at its settings.
    void record(const QString &port, const orte::line_format &settings,
                const QVector<int> &addresses);
    void finished();

private:
    void record_chosen();
    // Every converter found on the chosen converter's line, at its settings.
    void record_line();
    QVector<int> line_of(int row) const;
    void update_record_buttons();
    // The fields that set the search, locked while it runs.
    void lock(bool running);
    void ended(int converters, bool port_lost, bool stopped);
    std::unique_ptr<scan_engine> engine;
    QVector<scan_place> places; // the found table's rows
};

} // namespace orte
