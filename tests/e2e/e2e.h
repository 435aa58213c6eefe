#pragma once

// Shared pieces of the end-to-end tests: the real window on one end of a socat pair, the
// simulator on the other.

#include "app/mainwindow.h"
#include "link/port_list.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTextCodec>
#include <QtTest>

#include <memory>

#include "fixed_texts.h"
#include "locales.h"
#include "sim_rig.h"
#include "widgets.h"

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
        return find_widget<T>(*window, name);
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

// What every end-to-end test needs: a socat pair, the simulator on one end, the window on the
// other. Each test runs in a folder of its own, where its logs land; the log encoding is
// pinned to UTF-8.
class e2e_rig
{
protected:
    // From init(): a failure here keeps the test function from running.
    void set_up()
    {
        QVERIFY2(!socat_program().isEmpty(), "socat is needed");
        QVERIFY(work.isValid());
        QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
        const QString folder = work.filePath(QString::fromLatin1(QTest::currentTestFunction()));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QDir::setCurrent(folder));
        QVERIFY(pair.start());
        monitor = std::make_unique<monitor_driver>(pair.monitor_end());
    }

    void tear_down()
    {
        monitor.reset();
        sim.stop();
        pair.stop();
    }

    void start_sim(const QStringList &args = {})
    {
        QVERIFY2(sim.start(pair.converter_end(), args), qPrintable(sim.error()));
    }

    // A scenario file for the simulator.
    QString scenario(const QByteArray &text)
    {
        return write_scenario(work, QStringLiteral("s%1.txt").arg(++scenarios), text);
    }

    QTemporaryDir work;
    virtual_pair pair;
    sim_process sim;
    std::unique_ptr<monitor_driver> monitor;
    int scenarios = 0;
};

// Poll logs in the working folder, oldest name first.
inline QStringList log_files()
{
    return QDir().entryList({ QStringLiteral("log-473-*.txt") }, QDir::Files, QDir::Name);
}

// The log as the user's tools read it: in the locale's encoding, or UTF-8 after a byte-order
// mark.
inline QString read_log(const QString &name)
{
    QFile f(name);
    f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    return QTextCodec::codecForLocale()->toUnicode(bytes);
}

// The log with every "hh:mm:ss" replaced by "T", so that it can be compared whole.
inline QString without_times(QString text)
{
    static const QRegularExpression time(QStringLiteral(R"(\b\d\d:\d\d:\d\d\t\t)"));
    return text.replace(time, QStringLiteral("T\t\t"));
}

const QString separator = QString::fromLatin1(texts::log_separator);

// Waits `polls` poll periods and says whether the simulator heard no request meanwhile.
inline bool nothing_sent_for(sim_process &sim, int polls)
{
    const int before = sim.request_count();
    QTest::qWait(polls * 300);
    return sim.request_count() == before;
}

// A log's header as without_times() shows it.
inline QString header(quint32 serial = 123456)
{
    return u("T\t\tНачали опрос ОРТЕ 473; Заводской номер преобразователя  %1\n").arg(serial)
        + separator + u("Время\t\t\n");
}
