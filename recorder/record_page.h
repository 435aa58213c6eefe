#pragma once

// Запись: a converter, or several on one line, polled at the line's settings every period,
// drawn live and recorded to a workbook and/or a CSV, and handed to an MQTT broker where one
// is set; the files are finished however the recording ends.

#include "engine/poll_engine.h"
#include "engine/recording.h"
#include "recorder/line_box.h"
#include "recorder/run_view.h"

#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QWidget>

#include <QMap>

#include <memory>

namespace orte {

class record_page : public QWidget
{
    Q_OBJECT

public:
    explicit record_page(QWidget *parent = nullptr);
    void start();
    void stop();
    bool running() const { return engine != nullptr; }

    line_box *line;
    QSpinBox *period;
    files_box *files;
    QPushButton *start_button;
    QPushButton *stop_button;
    QLabel *converter;
    run_view *run;

signals:
    void finished();

private:
    void identified(const QByteArray &ident, int address);
    void polled(const exchange_result &x, int address);
    void ended(bool gone, bool stopped);
    std::unique_ptr<poll_engine> engine;
    QMap<int, converter_state> converters;
    QMap<int, QString> identities; // what each converter is, a line each
};

} // namespace orte
