#pragma once

// The recording's values handed to the plant's MQTT broker: one JSON message a poll on
// PREFIX/SERIAL/state, the converter's identity retained on PREFIX/SERIAL/identity, and
// "online"/"offline" retained on PREFIX/SERIAL/status with a last will, all at QoS 1. Each
// converter has a connection of its own, so that its last will names it. A broker that is away
// or goes away holds nothing up: the messages of the time away are kept (up to
// mqtt_queue_limit, the oldest dropped then and counted) and sent once it is back; the
// connection is tried again with a growing pause (1 s to 30 s).

#include "engine/record.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>

#include <deque>
#include <memory>

struct mosquitto;

namespace orte {

struct mqtt_target
{
    QString host;
    quint16 port = 1883;
    QString user;
    QString password; // never said or logged
    QString prefix;
};

// mqtt://[USER[:PASSWORD]@]HOST[:PORT]/PREFIX. A user without a password takes it from the
// environment's ORTE_MQTT_PASSWORD (a command line is seen by every user of the machine).
// False with what is wrong in `error`.
bool parse_mqtt_url(const QString &url, mqtt_target &out, QString &error);
// The broker as it may be said: no password.
QString mqtt_shown(const mqtt_target &t);

// Messages kept while the broker is away, for all converters together.
constexpr int mqtt_queue_limit = 100000;

// A poll as its JSON message: the time (ISO 8601 with its offset), the line and address, each
// input's value, unit, sensor kind, cold junction and fault, the setpoint states, the link.
QByteArray state_json(const poll_record &r, const QString &line, int address, bool single_input);
// The converter from its identification reply.
QByteArray identity_json(const QByteArray &ident, const QString &line, int address);
// The topic's part that names a converter: its serial number.
QString mqtt_name(quint32 serial);

class mqtt_publisher;
// What the end of a run waits for the broker to acknowledge what it was given.
constexpr int mqtt_finish_ms = 3000;
// After finish(): how many messages never reached the broker, as it is said; empty when all did.
QString undelivered_text(const mqtt_publisher &broker);

class mqtt_publisher : public QObject
{
    Q_OBJECT

public:
    explicit mqtt_publisher(const mqtt_target &target, QObject *parent = nullptr);
    ~mqtt_publisher() override;
    // A converter identified (again): its connection, its identity retained and "online".
    void converter(const QString &name, const QByteArray &identity);
    bool knows(const QString &name) const { return sessions.contains(name); }
    void publish_state(const QString &name, const QByteArray &json);
    // The converters of one line by their address: each named by its serial number once its
    // identification is known, by "address-N" until then (a slave heard on a bus whose
    // identification nobody asked for).
    void identified(const QString &line, int address, const QByteArray &ident);
    void polled(const QString &line, int address, const poll_record &r, bool single_input);
    // The end: "offline" retained, and what is kept sent while the broker is there, within
    // `wait_ms`. How many messages never reached it (dropped or still kept) is said.
    void finish(int wait_ms);
    int dropped() const { return dropped_count; }
    int undelivered() const;
    int delivered() const { return delivered_count; }

signals:
    // The broker went away or came back (said once each way), or could not be used.
    void said(const QString &text);

private:
    struct message
    {
        QByteArray topic;
        QByteArray payload;
        bool retain = false;
    };
    struct session
    {
        mosquitto *client = nullptr;
        std::deque<message> pending; // not yet handed to the library, oldest first
        QHash<int, message> in_flight; // handed, not yet acknowledged, by message id
        bool connected = false;
        bool ever_connected = false;
        QByteArray identity; // retained again at each connection: a broker restarted forgets
        bool finished = false;
    };
    void enqueue(session &s, message m);
    void pump(session &s);
    void on_connected(const QString &name, bool ok);
    void on_disconnected(const QString &name);
    void on_acknowledged(const QString &name, int mid);
    mqtt_target target;
    QHash<QString, std::shared_ptr<session>> sessions;
    QHash<int, QString> names; // the line's converters in the topics, by address
    int kept = 0; // pending, over every session
    int dropped_count = 0;
    int delivered_count = 0;
    bool away_said = false;
};

} // namespace orte
