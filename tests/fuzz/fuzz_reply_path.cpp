// Fuzzing the reply path: arbitrary bytes, cut into arbitrary chunks, go through the frame
// check, the dispatch by length and the decoders, with arbitrary flags.
//
// Input: byte 0 holds the flags (bit 0 one-input model, bits 1 and 2 the input faults, bits 3
// and 4 the request awaited: measurement, status, identification);
// then chunks, each a header byte and up to 63 bytes: the low six bits of the header are the
// chunk's length, bit 7 set means a new request went out first (the buffer starts afresh),
// bit 6 set makes the chunk's last two bytes the CRC that completes a valid frame (random
// bytes almost never carry a right CRC, and the decoders should see every content).
//
// Properties: nothing crashes or trips a sanitizer; a buffer whose CRC is wrong is never
// dispatched, nor one shorter than the request's reply that may still become it; every text is
// one that the monitor defines. A collector fed each chunk cut in two answers only with a frame
// that answers its request. The same chunks, as a listener on a
// bus hears them in reads cut anywhere, go through the bus framing and pairing: the pieces put
// together are every byte heard, in order, a piece called a frame has a valid CRC, the framer
// never holds more than a frame's worth, and every event carries whole frames.

#include "decode/ident.h"
#include "decode/measure.h"
#include "decode/register_map.h"
#include "decode/status.h"
#include "link/bus.h"
#include "link/frame_bytes.h"
#include "link/reply_path.h"

#include "bytes.h"

#include <QHash>
#include <QRegularExpression>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
void require(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

bool reference_valid(const QByteArray &rx)
{
    const int n = rx.size() % 256;
    return n != 0 && reference_crc(rx.left(n)) == 0;
}

bool matches(const QString &text, const char *pattern)
{
    // Patterns are few and fixed: compile each once.
    static QHash<const char *, QRegularExpression> compiled;
    auto it = compiled.find(pattern);
    if (it == compiled.end())
        it = compiled.insert(pattern, QRegularExpression(QString::fromUtf8(pattern)));
    return it->match(text).hasMatch();
}

const char *value_line(int input)
{
    return input == 1 ? "^(Неизвестный тип датчика Вх\\. 1|"
                        "(Температура термосопротивления|Температура термопары|Сопротивление|"
                        "Напряжение) Вх\\. 1:( Ошибка|   -?\\d+(\\.\\d+)? (С|Ом|мВ)))$"
                      : "^(|Неизвестный тип датчика Вх\\. 2|"
                        "(Температура термосопротивления|Температура термопары|Сопротивление|"
                        "Напряжение) Вх\\. 2:( Ошибка|   -?\\d+(\\.\\d+)? (С|Ом|мВ)))$";
}

void check_measure(const QByteArray &rx, bool single, bool f1, bool f2)
{
    const orte::measure_view v = orte::decode_measure(rx, single, f1, f2);
    require(matches(v.in1_value, value_line(1)), "input 1 text");
    require(matches(v.in2_value, value_line(2)), "input 2 text");
    require(matches(v.in1_cold_junction,
                    "^(| Температура холодного спая термопары Вх\\. 1:   -?\\d+(\\.\\d)? С)$"),
            "input 1 cold junction");
    require(matches(v.in2_cold_junction,
                    "^(| Температура холодного спая термопары Вх\\. 2:   -?\\d+(\\.\\d)? С)$"),
            "input 2 cold junction");
    require(!single || (v.in2_value.isEmpty() && v.in2_cold_junction.isEmpty()), "one-input model");
}

void check_ident(const QByteArray &rx)
{
    const orte::ident_result r = orte::decode_ident(rx);
    require(
        matches(r.string_name,
                "^Преобразователь ОРТЕ 473(-(220|221|110|111|200|201|100|101|120|121) найден| не "
                "найден)$"),
        "model text");
    require(r.device_found == !r.string_name.endsWith(QString::fromUtf8("не найден")),
            "found flag");
    require(
        matches(orte::version_text(rx), "^Версия ПО \\d{1,3}\\.\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}$"),
        "version text");
    require(matches(orte::serial_text(orte::serial_number(rx)),
                    "^Заводской номер преобразователя  \\d{1,10}$"),
            "serial text");
}

void check_status(quint8 status)
{
    const orte::status_view v = orte::decode_status(status);
    require(matches(v.faults, "^(|Есть Ошибк[аи] (Вход|Выход)а [12].*)$"), "fault summary");
    require(
        matches(v.setpoints_in1,
                "^(|Вход 1\\. (Сигнал выше уставки 1|Сигнал ниже уставки 2|Некорректные устаки))$"),
        "setpoint 1");
    require(
        matches(v.setpoints_in2,
                "^(|Вход 2\\. (Сигнал выше уставки 1|Сигнал ниже уставки 2|Некорректные устаки))$"),
        "setpoint 2");
    require(orte::fault_log_text(status).endsWith(QLatin1Char('\n')), "log text");
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const bool single = data[0] & 1;
    const bool in1_fault = data[0] & 2;
    const bool in2_fault = data[0] & 4;
    const orte::request_frame requests[]
        = { orte::initial_req_measure(), orte::initial_req_status(), orte::initial_req_ident(),
            orte::initial_req_ident() };
    const orte::request_frame request = orte::stamped(requests[(data[0] >> 3) & 3]);
    QByteArray rx;
    orte::reply_collector collector;
    collector.start(request);
    orte::bus_framer framer(1);
    orte::bus_pairing bus(1);
    QByteArray heard;
    QByteArray pieces;
    auto take = [&](const QVector<orte::heard_piece> &taken) {
        for (const orte::heard_piece &piece : taken) {
            pieces += piece.bytes;
            require(!piece.frame || reference_valid(piece.bytes), "a bus frame has a valid CRC");
            for (const orte::bus_event &e : bus.take(piece))
                require((e.kind == orte::bus_event::noise || e.reply.isEmpty()
                         || reference_valid(e.reply))
                            && (e.request.isEmpty() || reference_valid(e.request)),
                        "bus events carry whole frames");
        }
    };
    double heard_at = 0;
    size_t pos = 1;
    while (pos < size) {
        const uint8_t header = data[pos++];
        if (header & 0x80) {
            rx.clear();
            collector.start(request);
        }
        const size_t length = std::min<size_t>(header & 0x3F, size - pos);
        QByteArray chunk(reinterpret_cast<const char *>(data + pos), int(length));
        pos += length;
        if ((header & 0x40) && chunk.size() >= 2) {
            const quint16 crc = reference_crc(rx + chunk.left(chunk.size() - 2));
            chunk[chunk.size() - 2] = char(crc & 0xFF);
            chunk[chunk.size() - 1] = char(crc >> 8);
        }

        heard += chunk;
        heard_at += 10 * (header & 0x3F);
        take(framer.feed(chunk, heard_at));
        require(framer.held() <= 256, "the framer holds at most a frame");
        require(heard.startsWith(pieces), "the bus pieces are what was heard, in order");

        const int cut = chunk.isEmpty() ? 0 : header % chunk.size();
        if (collector.feed(chunk.left(cut)) || collector.feed(chunk.mid(cut)))
            require(orte::answers(collector.reply().bytes, request), "an answer answers");

        const orte::chunk_result result = orte::accept_chunk(rx, chunk, request);
        require(!result.frame_complete || reference_valid(rx), "frame check agrees with the CRC");
        require(result.frame_complete || result.frame_held || !reference_valid(rx),
                "a valid frame is complete or held");
        require(!result.frame_held || rx.size() < orte::expected_reply_length(request),
                "only a frame shorter than the reply is held");
        require(result.length == quint8(rx.size()), "8-bit length");
        if (!result.frame_complete)
            continue;
        switch (result.kind) {
        case orte::reply_kind::status:
            require(result.length == 6, "status length");
            check_status(orte::rx_at(rx, 3));
            break;
        case orte::reply_kind::ident:
            require(result.length == 15, "ident length");
            check_ident(rx);
            break;
        case orte::reply_kind::measure:
            require(result.length == 29, "measure length");
            check_measure(rx, single, in1_fault, in2_fault);
            break;
        case orte::reply_kind::exception:
            require(result.length == 5, "exception length");
            break;
        case orte::reply_kind::unexpected:
            require(result.length != 5 && result.length != 6 && result.length != 15
                        && result.length != 29,
                    "unexpected length");
            break;
        }
    }
    take(framer.flush(1e12));
    for (const orte::bus_event &e : bus.expire(1e12))
        require(e.kind == orte::bus_event::unanswered, "only a request is left waiting");
    require(pieces == heard, "every byte heard is in a piece");
    return 0;
}
