#include "sim_rig.h"

#include <algorithm>
#include <utility>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTcpServer>
#include <QThread>

namespace {
// Waits for a condition while serving events, at most `ms`.
template<typename Condition> bool wait_for(Condition condition, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

void end_process(std::unique_ptr<QProcess> &p)
{
    if (!p)
        return;
    if (p->state() != QProcess::NotRunning) {
        p->terminate();
        if (!p->waitForFinished(5000)) {
            p->kill();
            p->waitForFinished(5000);
        }
    }
    p.reset();
}
} // namespace

QString sim_program()
{
    return QStringLiteral(ORTE_SIM_PATH);
}

QString socat_program()
{
    return QStandardPaths::findExecutable(QStringLiteral("socat"));
}

virtual_pair::~virtual_pair()
{
    stop();
}

bool virtual_pair::start()
{
    stop();
    if (!dir.isValid() || socat_program().isEmpty())
        return false;
    socat = std::make_unique<QProcess>();
    socat->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    socat->start(socat_program(),
                 { QStringLiteral("pty,raw,echo=0,link=") + monitor_end(),
                   QStringLiteral("pty,raw,echo=0,link=") + converter_end() });
    if (!socat->waitForStarted(5000))
        return false;
    return wait_for(
        [this] { return QFileInfo::exists(monitor_end()) && QFileInfo::exists(converter_end()); },
        5000);
}

void virtual_pair::stop()
{
    end_process(socat);
}

bool virtual_pair::running() const
{
    return socat && socat->state() == QProcess::Running;
}

QString virtual_pair::monitor_end() const
{
    return dir.filePath(QStringLiteral("monitor"));
}

QString virtual_pair::converter_end() const
{
    return dir.filePath(QStringLiteral("converter"));
}

sim_process::~sim_process()
{
    stop();
}

bool sim_process::start(const QString &device, const QStringList &args)
{
    return launch(QStringList { QStringLiteral("--device"), device } + args);
}

bool sim_process::start_pty(const QString &link, const QStringList &args)
{
    return launch(QStringList { QStringLiteral("--pty"), QStringLiteral("--link"), link } + args);
}

bool sim_process::start_tcp(const QStringList &args)
{
    return launch(QStringList { QStringLiteral("--tcp"), QStringLiteral("0") } + args);
}

bool sim_process::launch(const QStringList &args)
{
    stop();
    printed.clear();
    seen.clear();
    pending.clear();
    port_named = false;
    process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::SeparateChannels);
    QObject::connect(process.get(), &QProcess::readyReadStandardOutput, [this] { read_output(); });
    process->start(sim_program(), args + QStringList { QStringLiteral("--trace") });
    if (!process->waitForStarted(5000)) {
        last_error = QStringLiteral("orte-sim did not start");
        return false;
    }
    // The simulator names its port on the first line once it serves.
    const bool ready
        = wait_for([this] { return port_named || process->state() != QProcess::Running; }, 5000);
    if (!ready || process->state() != QProcess::Running) {
        last_error = QString::fromLocal8Bit(process->readAllStandardError());
        return false;
    }
    return true;
}

void sim_process::stop()
{
    end_process(process);
}

bool sim_process::running() const
{
    return process && process->state() == QProcess::Running;
}

void sim_process::read_output()
{
    // Tests poll this in tight loops: an empty read must not allocate (under AddressSanitizer
    // the churn stalls the whole process for 100 ms at a time).
    if (process->bytesAvailable() == 0)
        return;
    const QByteArray out = process->readAllStandardOutput();
    printed += out;
    pending += out;
    int end = 0;
    while ((end = pending.indexOf('\n')) >= 0) {
        const QByteArray line = pending.left(end);
        pending.remove(0, end + 1);
        const QList<QByteArray> words = line.split(' ');
        if (words.size() < 3 || (words[1] != "rx" && words[1] != "tx" && words[1] != "rx?")) {
            port_named = port_named || words.size() == 1;
            continue;
        }
        traced_frame f { words[0].toDouble(), words[1] != "tx", {}, words[1] != "rx?" };
        for (int i = 2; i < words.size() && !words[i].startsWith('('); ++i)
            f.bytes.append(char(words[i].toInt(nullptr, 16)));
        seen.append(f);
    }
}

QVector<traced_frame> sim_process::frames()
{
    if (process) {
        // What the simulator printed may still wait in the pipe.
        QCoreApplication::processEvents();
        read_output();
    }
    return seen;
}

QByteArray sim_process::output()
{
    frames();
    return printed;
}

QVector<traced_frame> sim_process::requests()
{
    frames();
    QVector<traced_frame> rx;
    for (const traced_frame &f : std::as_const(seen))
        if (f.received && f.acted)
            rx.append(f);
    return rx;
}

int sim_process::request_count()
{
    frames();
    return int(std::count_if(seen.cbegin(), seen.cend(),
                             [](const traced_frame &f) { return f.received && f.acted; }));
}

QString write_scenario(const QTemporaryDir &dir, const QString &name, const QByteArray &text)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(text);
    return path;
}

quint16 free_port()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool serves(quint16 port, int ms)
{
    return wait_for(
        [port] {
            QTcpServer s;
            return !s.listen(QHostAddress::LocalHost, port);
        },
        ms);
}

QString tool(const char *name)
{
    return QStandardPaths::findExecutable(QString::fromLatin1(name));
}

bool helper::start(const QString &program, const QStringList &args)
{
    p->start(program, args);
    return p->waitForStarted(10000);
}

void helper::stop()
{
    if (p->state() == QProcess::NotRunning)
        return;
    p->terminate();
    if (!p->waitForFinished(10000)) {
        p->kill();
        p->waitForFinished(5000);
    }
}
