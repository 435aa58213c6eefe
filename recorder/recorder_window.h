#pragma once

// Самописец ОРТЕ-473: the converter search, a recording and listening to a bus, a page each.

#include "recorder/find_page.h"
#include "recorder/listen_page.h"
#include "recorder/record_page.h"

#include <QLabel>
#include <QMainWindow>
#include <QTabWidget>

namespace orte {

class recorder_window : public QMainWindow
{
    Q_OBJECT

public:
    explicit recorder_window(QWidget *parent = nullptr);
    // The last used settings, as QSettings keeps them.
    void restore_settings();
    void save_settings() const;
    // Stops whatever runs; the files are finished.
    void stop_all();
    bool running() const;
    // An earlier recording (a workbook or a CSV) into the Recording page's chart; false, said
    // in a message box unless `quiet`, when it cannot be read (nothing else changes then).
    bool open_file(const QString &file, bool quiet = false, QString *error = nullptr);
    // The MQTT broker each poll of the recording and listening pages goes to as well (empty:
    // none). `password` is kept until the program ends, never stored; the URL is stored
    // without it. False with what is wrong in `error`.
    bool set_broker(const QString &url, const QString &password, QString &error);
    QString broker_url() const { return broker; }

    QTabWidget *tabs;
    find_page *find;
    record_page *record;
    listen_page *listen;
    // An earlier recording opened: its chart and its summary.
    QWidget *opened;
    QLabel *opened_name;
    run_view *opened_run;

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void close_when_done();
    void choose_broker();
    bool closing = false;
    QString broker;
    QString broker_password;
};

} // namespace orte
