#include "engine/mqtt.h"

#include "decode/ident.h"
#include "decode/register_map.h"
#include "engine/texts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <mosquitto.h>

namespace orte {

namespace {
// The message's words are for programs: stable English keys, whatever the user's language.
const char *const sensor_keys[][2] = {
    { "thermoresistance", "°C" },
    { "thermocouple", "°C" },
    { "resistance", "Ohm" },
    { "voltage", "mV" },
};
const char *const outcome_keys[] = { "ok", "exception", "foreign", "crc_error", "timeout" };
const char *const setpoint_keys[]
    = { "in1_above_sp1", "in1_below_sp2", "in2_above_sp1", "in2_below_sp2" };
constexpr int in_flight_limit = 100;
constexpr int keepalive_s = 30;

QJsonValue number_or_null(const std::optional<double> &v)
{
    return v ? QJsonValue(*v) : QJsonValue();
}

QJsonValue flag_or_null(const std::optional<int> &v)
{
    return v ? QJsonValue(*v != 0) : QJsonValue();
}

struct library
{
    library() { mosquitto_lib_init(); }
    ~library() { mosquitto_lib_cleanup(); }
};
} // namespace

bool parse_mqtt_url(const QString &url, mqtt_target &out, QString &error)
{
    const QUrl u(url, QUrl::StrictMode);
    out = {};
    const QString path = u.path();
    if (!u.isValid() || u.scheme() != QLatin1String("mqtt") || u.host().isEmpty() || path.size() < 2
        || u.hasQuery() || u.hasFragment() || path.contains(QLatin1Char('+'))
        || path.contains(QLatin1Char('#'))) {
        // The text given may hold a password: it is not repeated.
        error = QCoreApplication::translate(
            "text", "the broker is given as mqtt://[USER[:PASSWORD]@]HOST[:PORT]/PREFIX");
        return false;
    }
    out.host = u.host();
    out.port = quint16(u.port(1883));
    out.user = u.userName();
    out.password = u.password();
    if (!out.user.isEmpty() && out.password.isEmpty())
        out.password = qEnvironmentVariable("ORTE_MQTT_PASSWORD");
    out.prefix = path.mid(1);
    while (out.prefix.endsWith(QLatin1Char('/')))
        out.prefix.chop(1);
    return true;
}

QString mqtt_shown(const mqtt_target &t)
{
    return QStringLiteral("mqtt://%1%2:%3/%4")
        .arg(t.user.isEmpty() ? QString() : t.user + QLatin1Char('@'), t.host)
        .arg(t.port)
        .arg(t.prefix);
}

QString mqtt_name(quint32 serial)
{
    return QString::number(serial);
}

QByteArray state_json(const poll_record &r, const QString &line, int address, bool single_input)
{
    QJsonObject o;
    o.insert(QStringLiteral("time"),
             r.at.toOffsetFromUtc(r.at.offsetFromUtc()).toString(Qt::ISODateWithMs));
    o.insert(QStringLiteral("line"), line);
    o.insert(QStringLiteral("address"), address);
    QJsonArray inputs;
    for (int in = 0; in < (single_input ? 1 : 2); ++in) {
        const size_t i = size_t(in);
        QJsonObject input;
        input.insert(QStringLiteral("input"), in + 1);
        input.insert(QStringLiteral("value"), number_or_null(r.value[i]));
        const bool known = r.type[i] && *r.type[i] >= 0 && *r.type[i] <= 3;
        input.insert(QStringLiteral("unit"),
                     known ? QJsonValue(QString::fromUtf8(sensor_keys[*r.type[i]][1]))
                           : QJsonValue());
        input.insert(QStringLiteral("sensor"),
                     known ? QJsonValue(QLatin1String(sensor_keys[*r.type[i]][0])) : QJsonValue());
        input.insert(QStringLiteral("cold_junction"), number_or_null(r.cold_junction[i]));
        input.insert(QStringLiteral("fault"), flag_or_null(r.flags[i]));
        inputs.append(input);
    }
    o.insert(QStringLiteral("inputs"), inputs);
    QJsonObject outputs;
    outputs.insert(QStringLiteral("out1_fault"), flag_or_null(r.flags[2]));
    outputs.insert(QStringLiteral("out2_fault"), flag_or_null(r.flags[3]));
    o.insert(QStringLiteral("outputs"), outputs);
    QJsonObject setpoints;
    for (size_t bit = 4; bit < 8; ++bit)
        setpoints.insert(QLatin1String(setpoint_keys[bit - 4]), flag_or_null(r.flags[bit]));
    o.insert(QStringLiteral("setpoints"), setpoints);
    QJsonObject link;
    link.insert(QStringLiteral("outcome"), QLatin1String(outcome_keys[int(r.result)]));
    link.insert(QStringLiteral("text"), r.link);
    o.insert(QStringLiteral("link"), link);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

QByteArray identity_json(const QByteArray &ident, const QString &line, int address)
{
    const ident_result id = decode_ident(ident);
    run_figures f;
    f.identified(ident);
    QJsonObject o;
    o.insert(QStringLiteral("serial"), qint64(serial_number(ident)));
    o.insert(QStringLiteral("model_code"), f.model_code ? QJsonValue(*f.model_code) : QJsonValue());
    o.insert(QStringLiteral("model"), id.string_name);
    o.insert(QStringLiteral("firmware"), f.firmware);
    o.insert(QStringLiteral("inputs"), id.single_input == 1 ? 1 : 2);
    o.insert(QStringLiteral("line"), line);
    o.insert(QStringLiteral("address"), address);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

mqtt_publisher::mqtt_publisher(const mqtt_target &t, QObject *parent)
    : QObject(parent)
    , target(t)
{
    static library once;
}

void mqtt_publisher::identified(const QString &line, int address, const QByteArray &ident)
{
    names[address] = mqtt_name(serial_number(ident));
    converter(names[address], identity_json(ident, line, address));
}

void mqtt_publisher::polled(const QString &line, int address, const poll_record &r,
                            bool single_input)
{
    if (!names.contains(address)) {
        names[address] = QStringLiteral("address-%1").arg(address);
        QJsonObject about;
        about.insert(QStringLiteral("line"), line);
        about.insert(QStringLiteral("address"), address);
        converter(names[address], QJsonDocument(about).toJson(QJsonDocument::Compact));
    }
    publish_state(names[address], state_json(r, line, address, single_input));
}

QString undelivered_text(const mqtt_publisher &broker)
{
    if (broker.undelivered() == 0)
        return QString();
    return text::tr("%1 MQTT messages did not reach the broker (%2 dropped while it was away)")
        .arg(broker.undelivered())
        .arg(broker.dropped());
}

mqtt_publisher::~mqtt_publisher()
{
    for (const std::shared_ptr<session> &s : sessions) {
        mosquitto_loop_stop(s->client, true);
        mosquitto_destroy(s->client);
    }
}

int mqtt_publisher::undelivered() const
{
    int n = dropped_count;
    for (const std::shared_ptr<session> &s : sessions)
        n += int(s->pending.size()) + s->in_flight.size();
    return n;
}

void mqtt_publisher::converter(const QString &name, const QByteArray &identity)
{
    const QByteArray base = (target.prefix + QLatin1Char('/') + name).toUtf8();
    if (!sessions.contains(name)) {
        auto s = std::make_shared<session>();
        const QByteArray id = QStringLiteral("orte-%1-%2")
                                  .arg(name)
                                  .arg(QCoreApplication::applicationPid())
                                  .toUtf8();
        s->client = mosquitto_new(id.constData(), true, this);
        sessions.insert(name, s);
        mosquitto *m = s->client;
        if (!m) {
            emit said(text::tr("cannot make an MQTT client"));
            return;
        }
        mosquitto_int_option(m, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
        if (!target.user.isEmpty())
            mosquitto_username_pw_set(
                m, target.user.toUtf8().constData(),
                target.password.isEmpty() ? nullptr : target.password.toUtf8().constData());
        const QByteArray will = base + "/status";
        mosquitto_will_set(m, will.constData(), 7, "offline", 1, true);
        mosquitto_reconnect_delay_set(m, 1, 30, true);
        // The library's thread calls back; what it says is taken on this object's thread.
        struct callbacks
        {
            static mqtt_publisher *of(void *obj) { return static_cast<mqtt_publisher *>(obj); }
            static QString name_of(mosquitto *m, mqtt_publisher *p)
            {
                for (auto i = p->sessions.constBegin(); i != p->sessions.constEnd(); ++i)
                    if (i.value()->client == m)
                        return i.key();
                return QString();
            }
        };
        mosquitto_connect_callback_set(m, [](mosquitto *c, void *obj, int rc) {
            mqtt_publisher *p = callbacks::of(obj);
            QMetaObject::invokeMethod(
                p, [p, c, rc] { p->on_connected(callbacks::name_of(c, p), rc == 0); },
                Qt::QueuedConnection);
        });
        mosquitto_disconnect_callback_set(m, [](mosquitto *c, void *obj, int) {
            mqtt_publisher *p = callbacks::of(obj);
            QMetaObject::invokeMethod(
                p, [p, c] { p->on_disconnected(callbacks::name_of(c, p)); }, Qt::QueuedConnection);
        });
        mosquitto_publish_callback_set(m, [](mosquitto *c, void *obj, int mid) {
            mqtt_publisher *p = callbacks::of(obj);
            QMetaObject::invokeMethod(
                p, [p, c, mid] { p->on_acknowledged(callbacks::name_of(c, p), mid); },
                Qt::QueuedConnection);
        });
        const int rc = mosquitto_connect_async(m, target.host.toUtf8().constData(), target.port,
                                               keepalive_s);
        if (rc != MOSQ_ERR_SUCCESS && rc != MOSQ_ERR_ERRNO && !away_said) {
            away_said = true;
            emit said(text::tr("the MQTT broker %1 cannot be reached (%2); its messages are kept "
                               "and it is tried again")
                          .arg(mqtt_shown(target), QString::fromUtf8(mosquitto_strerror(rc))));
        }
        mosquitto_loop_start(m);
    }
    session &s = *sessions[name];
    s.identity = identity;
    enqueue(s, { base + "/identity", identity, true });
    enqueue(s, { base + "/status", "online", true });
}

void mqtt_publisher::publish_state(const QString &name, const QByteArray &json)
{
    if (!sessions.contains(name))
        return;
    enqueue(*sessions[name],
            { (target.prefix + QLatin1Char('/') + name).toUtf8() + "/state", json, false });
}

void mqtt_publisher::enqueue(session &s, message m)
{
    s.pending.push_back(std::move(m));
    ++kept;
    // Over the bound, the oldest message of all goes (a converter's retained ones stay).
    while (kept > mqtt_queue_limit) {
        session *oldest = nullptr;
        for (const std::shared_ptr<session> &other : sessions)
            if (!other->pending.empty()
                && (!oldest || other->pending.size() > oldest->pending.size()))
                oldest = other.get();
        if (!oldest)
            break;
        auto victim = std::find_if(oldest->pending.begin(), oldest->pending.end(),
                                   [](const message &x) { return !x.retain; });
        if (victim == oldest->pending.end())
            break;
        oldest->pending.erase(victim);
        --kept;
        ++dropped_count;
    }
    pump(s);
}

void mqtt_publisher::pump(session &s)
{
    while (s.connected && !s.pending.empty() && s.in_flight.size() < in_flight_limit) {
        const message &m = s.pending.front();
        int mid = 0;
        const int rc = mosquitto_publish(s.client, &mid, m.topic.constData(), int(m.payload.size()),
                                         m.payload.constData(), 1, m.retain);
        if (rc != MOSQ_ERR_SUCCESS) {
            s.connected = rc != MOSQ_ERR_NO_CONN && rc != MOSQ_ERR_CONN_LOST;
            break;
        }
        s.in_flight.insert(mid, m);
        s.pending.pop_front();
        --kept;
    }
}

void mqtt_publisher::on_connected(const QString &name, bool ok)
{
    if (!sessions.contains(name))
        return;
    session &s = *sessions[name];
    s.connected = ok;
    if (!ok) {
        if (!away_said) {
            away_said = true;
            emit said(text::tr("the MQTT broker %1 refused the connection; its messages are kept")
                          .arg(mqtt_shown(target)));
        }
        return;
    }
    if (away_said) {
        away_said = false;
        emit said(text::tr("the MQTT broker %1 is reached").arg(mqtt_shown(target)));
    }
    // Connected again: what is retained goes first, as a broker that restarted has lost it.
    if (s.ever_connected && !s.finished) {
        const QByteArray base = (target.prefix + QLatin1Char('/') + name).toUtf8();
        s.pending.push_front({ base + "/status", "online", true });
        s.pending.push_front({ base + "/identity", s.identity, true });
        kept += 2;
    }
    s.ever_connected = true;
    pump(s);
}

void mqtt_publisher::on_disconnected(const QString &name)
{
    if (!sessions.contains(name))
        return;
    session &s = *sessions[name];
    s.connected = false;
    // What the broker did not acknowledge is sent again, in its order, once it is back.
    QList<int> ids = s.in_flight.keys();
    std::sort(ids.begin(), ids.end(), std::greater<int>());
    for (int id : ids) {
        s.pending.push_front(s.in_flight.take(id));
        ++kept;
    }
    if (!away_said) {
        away_said = true;
        emit said(text::tr("the MQTT broker %1 is away; its messages are kept (up to %2) and it "
                           "is tried again")
                      .arg(mqtt_shown(target))
                      .arg(mqtt_queue_limit));
    }
}

void mqtt_publisher::on_acknowledged(const QString &name, int mid)
{
    if (!sessions.contains(name))
        return;
    session &s = *sessions[name];
    if (s.in_flight.remove(mid) > 0)
        ++delivered_count;
    pump(s);
}

void mqtt_publisher::finish(int wait_ms)
{
    for (auto i = sessions.begin(); i != sessions.end(); ++i) {
        i.value()->finished = true;
        enqueue(
            *i.value(),
            { (target.prefix + QLatin1Char('/') + i.key()).toUtf8() + "/status", "offline", true });
    }
    QElapsedTimer clock;
    clock.start();
    auto waiting = [this] {
        for (const std::shared_ptr<session> &s : sessions)
            if (s->connected && (!s->pending.empty() || !s->in_flight.isEmpty()))
                return true;
        return false;
    };
    while (waiting() && clock.elapsed() < wait_ms) {
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    for (const std::shared_ptr<session> &s : sessions) {
        mosquitto_disconnect(s->client);
        mosquitto_loop_stop(s->client, !s->connected);
    }
}

} // namespace orte
