#pragma once

// Shared pieces of the end-to-end tests: the real window on one end of a socat pair, the
// simulator on the other.

#include "app/mainwindow.h"
#include "app/port_list.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>

#include <memory>

#include "sim_fixture.h"

class monitor_driver
{
public:
    explicit monitor_driver(const QString &port)
    {
        orte::set_port_lister([port] { return QStringList { port }; });
        window = std::make_unique<MainWindow>();
    }
    ~monitor_driver()
    {
        window.reset();
        orte::set_port_lister({});
    }

    template<typename T = QLabel> T *get(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    QString text(const char *name) const { return get<QLabel>(name)->text(); }
    int page() const { return get<QStackedWidget>("stackedWidget")->currentIndex(); }
    void start() { get<QPushButton>("Start")->click(); }
    void stop() { get<QPushButton>("Stop")->click(); }
    void set_address(int a) { get<QSpinBox>("adr_ustr")->setValue(a); }
    void set_speed(const char *baud)
    {
        get<QComboBox>("speed_com")->setCurrentText(QString::fromLatin1(baud));
    }
    void tick(const char *box, bool on) { get<QCheckBox>(box)->setChecked(on); }

    std::unique_ptr<MainWindow> window;
};

inline QString u(const char *utf8)
{
    return QString::fromUtf8(utf8);
}
