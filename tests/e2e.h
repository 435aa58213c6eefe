#pragma once

// Shared pieces of the end-to-end tests: the real window on one end of a socat pair, the
// simulator on the other.

#include "app/mainwindow.h"
#include "app/port_list.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
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

// Poll logs in the working folder, oldest name first.
inline QStringList log_files()
{
    return QDir().entryList({ QStringLiteral("log-473-*.txt") }, QDir::Files, QDir::Name);
}

inline QString read_log(const QString &name)
{
    QFile f(name);
    f.open(QIODevice::ReadOnly);
    return QString::fromUtf8(f.readAll());
}

// The log with every "hh:mm:ss" replaced by "T", so that it can be compared whole.
inline QString without_times(QString text)
{
    static const QRegularExpression time(QStringLiteral(R"(\b\d\d:\d\d:\d\d\t\t)"));
    return text.replace(time, QStringLiteral("T\t\t"));
}
