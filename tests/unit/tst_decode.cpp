#include "decode/ident.h"
#include "decode/measure.h"
#include "decode/slave_image.h"
#include "decode/status.h"

#include <QtTest>

#include "bytes.h"
#include "fixed_texts.h"

namespace {
// A 29-byte measurement reply with bytes 3 to 18 as given and zeros for registers 8..11; the
// CRC is not looked at by the decoder.
QByteArray measure_reply(const char *bytes_3_to_18)
{
    QByteArray frame = hex_bytes("01 04 18") + hex_bytes(bytes_3_to_18);
    frame.resize(29);
    return frame;
}

// Registers as numbers: values of input 1 and 2, their type registers and cold junctions.
QByteArray measure_reply(int w1, int m1, int w2, int m2, int t1, int t2, int cj1, int cj2)
{
    QByteArray frame = hex_bytes("01 04 18");
    for (int reg : { w1, m1, w2, m2, t1, t2, cj1, cj2 }) {
        frame.append(char((reg >> 8) & 0xFF));
        frame.append(char(reg & 0xFF));
    }
    frame.resize(29);
    return frame;
}
} // namespace

class tst_decode : public QObject
{
    Q_OBJECT

private slots:
    void slave_image_data();
    void slave_image();
    void ident_models_data();
    void ident_models();
    void ident_texts();
    void values_data();
    void values();
    void sensor_codes_data();
    void sensor_codes();
    void input_2_and_cold_junction_data();
    void input_2_and_cold_junction();
    void single_input_leaves_input_2_out();
    void fault_summaries_data();
    void fault_summaries();
    void setpoints_data();
    void setpoints();
    void status_flags();
};

void tst_decode::ident_models_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("single");
    const char *names[] = { "220", "221", "110", "111", "200", "201", "100", "101", "120", "121" };
    const int single[] = { 0, 0, 1, 1, 0, 0, 1, 1, 1, 1 };
    for (int code = 0; code < 10; ++code) {
        QByteArray reply = hex_bytes("01 04 0A 00 00 02 00 00 01 00 01 E2 40 00 00");
        reply[4] = char(code);
        QTest::addRow("01 04 0A 00 %02X ... model %d", code, code)
            << reply << true
            << QString::fromUtf8("Преобразователь ОРТЕ 473-%1 найден")
                   .arg(QLatin1String(names[code]))
            << single[code];
    }
    const QString unknown = QString::fromUtf8("Преобразователь ОРТЕ 473 не найден");
    QTest::newRow("01 04 0A 00 0A ... model 10")
        << hex_bytes("01 04 0A 00 0A 02 00 00 01 00 01 E2 40 00 00") << false << unknown << -1;
    QTest::newRow("01 04 0A 00 FF ... model 255")
        << hex_bytes("01 04 0A 00 FF 02 00 00 01 00 01 E2 40 00 00") << false << unknown << -1;
    // Register 50's high byte is ignored: 7F 02 is model 2.
    QTest::newRow("01 04 0A 7F 02 ... model 2")
        << hex_bytes("01 04 0A 7F 02 02 00 00 01 00 01 E2 40 00 00") << true
        << QString::fromUtf8("Преобразователь ОРТЕ 473-110 найден") << 1;
}

void tst_decode::ident_models()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, found);
    QFETCH(QString, text);
    QFETCH(int, single);
    const orte::ident_result r = orte::decode_ident(reply);
    QCOMPARE(r.device_found, found);
    QCOMPARE(r.string_name, text);
    QCOMPARE(r.single_input, single);
}

void tst_decode::ident_texts()
{
    // Version bytes 02 00 00 01, serial 00 01 E2 40 = 123456.
    const QByteArray reply = hex_bytes("01 04 0A 00 00 02 00 00 01 00 01 E2 40 75 F4");
    QCOMPARE(orte::version_text(reply), QString::fromUtf8("Версия ПО 2.0.0.1"));
    QCOMPARE(orte::serial_number(reply), quint32(123456));
    QCOMPARE(orte::serial_text(orte::serial_number(reply)),
             QString::fromUtf8("Заводской номер преобразователя  123456"));
    // Version FF 0A 00 07, serial FF FF FF FF: unsigned, no fill.
    const QByteArray high = hex_bytes("01 04 0A 00 00 FF 0A 00 07 FF FF FF FF 00 00");
    QCOMPARE(orte::version_text(high), QString::fromUtf8("Версия ПО 255.10.0.7"));
    QCOMPARE(orte::serial_text(orte::serial_number(high)),
             QString::fromUtf8("Заводской номер преобразователя  4294967295"));
    // A short buffer reads missing bytes as zeros.
    QCOMPARE(orte::version_text(hex_bytes("01 04 0A 00 00 03")),
             QString::fromUtf8("Версия ПО 3.0.0.0"));
}

void tst_decode::values_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("value");
    // Input 1, type 0, bytes 3..6 = whole part and thousandths.
    QTest::newRow("00 17 01 C2: 23 and 450") << measure_reply(23, 450, 0, 0, 0, 0, 0, 0) << "23.45";
    QTest::newRow("FF FB FF 06: -5 and -250")
        << measure_reply(-5, -250, 0, 0, 0, 0, 0, 0) << "-5.25";
    QTest::newRow("00 00 FE 0C: 0 and -500") << measure_reply(0, -500, 0, 0, 0, 0, 0, 0) << "-0.5";
    QTest::newRow("00 19 00 00: 25 and 0") << measure_reply(25, 0, 0, 0, 0, 0, 0, 0) << "25";
    QTest::newRow("04 D2 02 37: 1234 and 567")
        << measure_reply(1234, 567, 0, 0, 0, 0, 0, 0) << "1234.57";
    QTest::newRow("7F FF 03 E7: 32767 and 999")
        << measure_reply(32767, 999, 0, 0, 0, 0, 0, 0) << "32768";
    QTest::newRow("80 00 FC 19: -32768 and -999")
        << measure_reply(-32768, -999, 0, 0, 0, 0, 0, 0) << "-32769";
    // Formed in double precision: exactly 0.001, not 0.000999987.
    QTest::newRow("00 01 FC 19: 1 and -999") << measure_reply(1, -999, 0, 0, 0, 0, 0, 0) << "0.001";
    QTest::newRow("raw 00 17 01 C2, type 00 00")
        << measure_reply("00 17 01 C2 00 00 00 00 00 00 00 00 00 00 00 00") << "23.45";
}

void tst_decode::values()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, value);
    const orte::measure_view v = orte::decode_measure(reply, false, false, false);
    QCOMPARE(v.in1_value,
             QString::fromUtf8("Температура термосопротивления Вх. 1:   %1 С").arg(value));
    QVERIFY(v.in1_cold_junction.isEmpty());
}

void tst_decode::sensor_codes_data()
{
    QTest::addColumn<int>("type_register");
    QTest::addColumn<bool>("fault");
    QTest::addColumn<QString>("in1");
    QTest::addColumn<bool>("cold_junction");
    struct sensor
    {
        int code;
        const char *value;
        const char *fault;
        bool cj;
    };
    const sensor sensors[] = {
        { 0, "Температура термосопротивления Вх. %1:   12.5 С",
          "Температура термосопротивления Вх. %1: Ошибка", false },
        { 1, "Температура термопары Вх. %1:   12.5 С", "Температура термопары Вх. %1: Ошибка",
          true },
        { 2, "Сопротивление Вх. %1:   12.5 Ом", "Сопротивление Вх. %1: Ошибка", false },
        { 3, "Напряжение Вх. %1:   12.5 мВ", "Напряжение Вх. %1: Ошибка", false },
    };
    for (const sensor &s : sensors) {
        QTest::addRow("code %d", s.code) << s.code << false << QString::fromUtf8(s.value) << s.cj;
        QTest::addRow("code %d, fault", s.code)
            << s.code << true << QString::fromUtf8(s.fault) << s.cj;
    }
    // Only the low byte counts: 01 01 is a thermocouple.
    QTest::newRow("register 01 01")
        << 0x0101 << false << QString::fromUtf8(sensors[1].value) << true;
    const QString unknown = QString::fromUtf8("Неизвестный тип датчика Вх. %1");
    for (int code : { 4, 0x80, 0xFF }) {
        QTest::addRow("unknown code 0x%02X", code) << code << false << unknown << false;
        QTest::addRow("unknown code 0x%02X, fault", code) << code << true << unknown << false;
    }
    QTest::newRow("register 01 04: unknown") << 0x0104 << false << unknown << false;
}

void tst_decode::sensor_codes()
{
    QFETCH(int, type_register);
    QFETCH(bool, fault);
    QFETCH(QString, in1);
    QFETCH(bool, cold_junction);
    // Both inputs 12.5 with the same sensor, cold junctions 23.5 and -1.2.
    const QByteArray reply
        = measure_reply(12, 500, 12, 500, type_register, type_register, 235, -12);
    const orte::measure_view v = orte::decode_measure(reply, false, fault, fault);
    QCOMPARE(v.in1_value, in1.arg(1));
    QCOMPARE(v.in2_value, in1.arg(2));
    if (cold_junction) {
        QCOMPARE(v.in1_cold_junction,
                 QString::fromUtf8(" Температура холодного спая термопары Вх. 1:   23.5 С"));
        QCOMPARE(v.in2_cold_junction,
                 QString::fromUtf8(" Температура холодного спая термопары Вх. 2:   -1.2 С"));
    } else {
        QVERIFY(v.in1_cold_junction.isEmpty());
        QVERIFY(v.in2_cold_junction.isEmpty());
    }
    // A fault on one input leaves the other alone.
    const orte::measure_view only_first = orte::decode_measure(reply, false, true, false);
    QCOMPARE(only_first.in2_value, orte::decode_measure(reply, false, false, false).in2_value);
}

void tst_decode::input_2_and_cold_junction_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("cold_junction");
    // Input 2 thermocouple: bytes 7..10 = 01 F4 00 64 (500 and 100), bytes 17..18 the junction.
    QTest::newRow("01 F4 00 64, junction 00 EB")
        << measure_reply("00 00 00 00 01 F4 00 64 00 00 00 01 00 00 00 EB") << "500.1"
        << "23.5";
    QTest::newRow("junction FF F4")
        << measure_reply("00 00 00 00 01 F4 00 64 00 00 00 01 00 00 FF F4") << "500.1"
        << "-1.2";
    QTest::newRow("junction 00 00")
        << measure_reply("00 00 00 00 01 F4 00 64 00 00 00 01 00 00 00 00") << "500.1"
        << "0";
}

void tst_decode::input_2_and_cold_junction()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, value);
    QFETCH(QString, cold_junction);
    const orte::measure_view v = orte::decode_measure(reply, false, false, false);
    QCOMPARE(v.in2_value, QString::fromUtf8("Температура термопары Вх. 2:   %1 С").arg(value));
    QCOMPARE(v.in2_cold_junction,
             QString::fromUtf8(" Температура холодного спая термопары Вх. 2:   %1 С")
                 .arg(cold_junction));
}

void tst_decode::single_input_leaves_input_2_out()
{
    const QByteArray reply = measure_reply(1, 0, 500, 100, 0, 1, 0, 235);
    const orte::measure_view v = orte::decode_measure(reply, true, false, true);
    QVERIFY(!v.in1_value.isEmpty());
    QVERIFY(v.in2_value.isEmpty());
    QVERIFY(v.in2_cold_junction.isEmpty());
}

void tst_decode::fault_summaries_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("label");
    for (int value = 0; value < 16; ++value) {
        QTest::addRow("status 0x%02X", value)
            << value << QString::fromUtf8(texts::fault_summary[value]);
        // The setpoint bits do not change the summary.
        QTest::addRow("status 0x%02X", value | 0xF0)
            << (value | 0xF0) << QString::fromUtf8(texts::fault_summary[value]);
    }
}

void tst_decode::fault_summaries()
{
    QFETCH(int, status);
    QFETCH(QString, label);
    QCOMPARE(orte::decode_status(quint8(status)).faults, label);
    QCOMPARE(orte::fault_log_text(quint8(status)),
             (label.isEmpty() ? QString::fromUtf8(texts::no_faults_record) : label)
                 + QLatin1Char('\n'));
}

void tst_decode::setpoints_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("ust1");
    QTest::addColumn<QString>("ust2");
    QTest::newRow("0x00") << 0x00 << ""
                          << "";
    QTest::newRow("0x10") << 0x10 << "Вход 1. Сигнал выше уставки 1"
                          << "";
    QTest::newRow("0x20") << 0x20 << "Вход 1. Сигнал ниже уставки 2"
                          << "";
    QTest::newRow("0x30") << 0x30 << "Вход 1. Некорректные устаки"
                          << "";
    QTest::newRow("0x40") << 0x40 << ""
                          << "Вход 2. Сигнал выше уставки 1";
    QTest::newRow("0x80") << 0x80 << ""
                          << "Вход 2. Сигнал ниже уставки 2";
    QTest::newRow("0xC0") << 0xC0 << ""
                          << "Вход 2. Некорректные устаки";
    QTest::newRow("0xFF") << 0xFF << "Вход 1. Некорректные устаки"
                          << "Вход 2. Некорректные устаки";
    QTest::newRow("0x9F") << 0x9F << "Вход 1. Сигнал выше уставки 1"
                          << "Вход 2. Сигнал ниже уставки 2";
}

void tst_decode::setpoints()
{
    QFETCH(int, status);
    QFETCH(QString, ust1);
    QFETCH(QString, ust2);
    const orte::status_view v = orte::decode_status(quint8(status));
    QCOMPARE(v.setpoints_in1, ust1);
    QCOMPARE(v.setpoints_in2, ust2);
}

void tst_decode::status_flags()
{
    // status: input 1 fault, output 1 fault
    orte::status_view v = orte::decode_status(0x05);
    QCOMPARE(v.in1_fault, true);
    QCOMPARE(v.in2_fault, false);
    QCOMPARE(v.faults, QString::fromUtf8("Есть Ошибки Входа 1 и Выхода 1"));
    QVERIFY(v.setpoints_in1.isEmpty() && v.setpoints_in2.isEmpty());
    v = orte::decode_status(0xFF);
    QVERIFY(v.in1_fault && v.in2_fault);
    v = orte::decode_status(0x00);
    QVERIFY(!v.in1_fault && !v.in2_fault);
    QVERIFY(v.faults.isEmpty() && v.setpoints_in1.isEmpty() && v.setpoints_in2.isEmpty());
}

void tst_decode::slave_image_data()
{
    // Exchanges a listener paired ("request > reply", ";" between them), and what the image
    // then shows: the measurement's texts ("|" between them; "-" where none yet) and the
    // status byte.
    QTest::addColumn<QString>("exchanges");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("status");
    // Registers 0..3: input 1 at 23.45, input 2 at 500.1; 4..7: types 0 and 1, cold junction
    // of input 2 at 23.5.
    const QString values = "01 04 00 00 00 04 F1 C9 > 01 04 08 00 17 01 C2 01 F4 00 64 7A E9";
    const QString types = "01 04 00 04 00 04 B0 08 > 01 04 08 00 00 00 01 00 00 00 EB 59 82";
    const QString all = "01 04 00 00 00 0C F0 0F > 01 04 18 00 17 01 C2 01 F4 00 64 00 00 00 01 "
                        "00 00 00 EB 00 00 00 00 00 00 00 00 66 ED";
    // Coils 0..7: input 1 in fault.
    const QString fault = "01 01 00 00 00 08 3D CC > 01 01 01 01 90 48";
    const QString texts = u8"Температура термосопротивления Вх. 1:   23.45 С||"
                          u8"Температура термопары Вх. 2:   500.1 С|"
                          u8" Температура холодного спая термопары Вх. 2:   23.5 С";
    QTest::newRow("registers 0..11 at once") << all << texts << 0;
    QTest::newRow("values without their types: nothing yet") << values << "-" << 0;
    QTest::newRow("values, then the types") << values + " ; " + types << texts << 0;
    QTest::newRow("input 1's fault, then the measurement")
        << fault + " ; " + all
        << u8"Температура термосопротивления Вх. 1: Ошибка||"
           u8"Температура термопары Вх. 2:   500.1 С|"
           u8" Температура холодного спая термопары Вх. 2:   23.5 С"
        << 1;
    QTest::newRow("an exception carries nothing") << "01 04 00 00 00 0C F0 0F > 01 84 02 C2 C1"
                                                  << "-" << 0;
}

void tst_decode::slave_image()
{
    QFETCH(QString, exchanges);
    QFETCH(QString, shown);
    QFETCH(int, status);
    orte::slave_image image;
    for (const QString &exchange : exchanges.split(QStringLiteral(" ; "))) {
        const QStringList pair = exchange.split(QStringLiteral(" > "));
        image.take(hex_bytes(qPrintable(pair[0])), hex_bytes(qPrintable(pair[1])));
    }
    const orte::measure_view v = image.measure();
    QCOMPARE(image.measure_shown() ? QStringList({ v.in1_value, v.in1_cold_junction, v.in2_value,
                                                   v.in2_cold_junction })
                                         .join('|')
                                   : QStringLiteral("-"),
             shown);
    QCOMPARE(int(image.status()), status);
}

QTEST_APPLESS_MAIN(tst_decode)
#include "tst_decode.moc"
