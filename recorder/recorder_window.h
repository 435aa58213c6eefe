#pragma once

// Самописец ОРТЕ-473: the converter search, a recording and listening to a bus, a page each.

#include "recorder/find_page.h"
#include "recorder/listen_page.h"
#include "recorder/record_page.h"

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

    QTabWidget *tabs;
    find_page *find;
    record_page *record;
    listen_page *listen;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void close_when_done();
    bool closing = false;
};

} // namespace orte
