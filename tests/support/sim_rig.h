#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>

#include <memory>

#include "bytes.h"

// A virtual serial pair made by socat: the monitor opens one end, the simulator the other.
class virtual_pair
{
public:
    ~virtual_pair();
    bool start();
    void stop();
    bool running() const;
    QString monitor_end() const;
    QString converter_end() const;

private:
    QTemporaryDir dir;
    std::unique_ptr<QProcess> socat;
};

// One frame seen by the simulator: received ("rx") or sent ("tx"), with its time in ms.
struct traced_frame
{
    double ms;
    bool received;
    QByteArray bytes;
    bool acted = true; // a frame heard and answered or acted on; false: one it let pass
};

// orte-sim on a given device, with --trace; stopped by its own handle.
class sim_process
{
public:
    ~sim_process();
    // Starts the simulator and waits until it serves; false with the reason in error().
    bool start(const QString &device, const QStringList &args = {});
    // The same on a pty of the simulator's own, linked at `link`.
    bool start_pty(const QString &link, const QStringList &args = {});
    // The same as a Modbus TCP server on a free port of 127.0.0.1: served() names it.
    bool start_tcp(const QStringList &args = {});
    QString served() const { return QString::fromUtf8(printed.left(printed.indexOf('\n'))); }
    void stop();
    bool running() const;
    QVector<traced_frame> frames();
    QVector<traced_frame> requests();
    int request_count();
    QString error() const { return last_error; }

    // Everything it printed so far.
    QByteArray output();

private:
    bool launch(const QStringList &args);
    void read_output();
    QByteArray printed;
    std::unique_ptr<QProcess> process;
    QByteArray pending;
    bool port_named = false;
    QVector<traced_frame> seen;
    QString last_error;
};

// A scenario file for the simulator in a temporary folder of the caller's.
QString write_scenario(const QTemporaryDir &dir, const QString &name, const QByteArray &text);

// Whether the simulator and socat are at hand.
QString sim_program();
QString socat_program();

// A port of 127.0.0.1 that nothing listens on now.
quint16 free_port();
// Something listens on the port of 127.0.0.1 within `ms`. (A connection to find out would be
// a client to the server, and socat would open the line for it.)
bool serves(quint16 port, int ms = 20000);
// A program on the PATH, or empty.
QString tool(const char *name);

// A helper program of the test's (a broker, a server, a subscriber), stopped by its own handle.
struct helper
{
    std::unique_ptr<QProcess> p = std::make_unique<QProcess>();
    ~helper() { stop(); }
    bool start(const QString &program, const QStringList &args);
    void stop();
};
