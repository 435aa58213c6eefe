#include "sim/converter.h"
#include "sim/scenario.h"
#include "sim/scenario_runner.h"

#include <QtTest>

#include <fstream>
#include <sstream>

class tst_sim_scenario : public QObject
{
    Q_OBJECT

private slots:
    void good_files_data();
    void good_files();
    void bad_files_data();
    void bad_files();
    void shipped_examples_data();
    void shipped_examples();
    void settings_data();
    void settings();
    void data_image();
    void address_ranges_data();
    void address_ranges();
    void runner_data();
    void runner();
};

void tst_sim_scenario::good_files_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("last_kind");
    QTest::addColumn<bool>("by_request");
    QTest::newRow("empty file") << "" << 0 << -1 << false;
    QTest::newRow("comments and blank lines") << "# nothing\n\n   \n# more\n" << 0 << -1 << false;
    QTest::newRow("at 1.5 set status 0x01  # comment") << "at 1.5 set status 0x01  # comment\n"
                                                       << 1 << int(sim::action_kind::set) << false;
    QTest::newRow("req 3 split 10 40")
        << "req 3 split 10 40" << 1 << int(sim::action_kind::split) << true;
    QTest::newRow("every action")
        << "at 0 silent\nat 0 silent 3\nat 0 garbage\nat 0 garbage 7\nreq 1 corrupt\n"
           "req 2 exception\nreq 2 exception 2\nreq 3 wrong-length\nat 1 delay 150\n"
           "at 1 stray 4\nat 2 noise 0.5\nat 3 dropout 2\nat 2 set version 1.2.3.4\n"
           "at 2 set in1.whole -5\nat 8 set line 19200E1\nat 9 repeat\n"
        << 16 << int(sim::action_kind::repeat) << false;
    QTest::newRow("byte-order mark before the first step")
        << "\xEF\xBB\xBF"
           "at 1 silent"
        << 1 << int(sim::action_kind::silent) << false;
    QTest::newRow("tabs between words")
        << "at\t2\tset\tin2.cj\t-12" << 1 << int(sim::action_kind::set) << false;
}

void tst_sim_scenario::good_files()
{
    QFETCH(QString, text);
    QFETCH(int, steps);
    QFETCH(int, last_kind);
    QFETCH(bool, by_request);
    std::istringstream in(text.toStdString());
    sim::scenario s;
    std::string error;
    QVERIFY2(sim::parse_scenario(in, s, error), error.c_str());
    QCOMPARE(int(s.steps.size()), steps);
    if (steps > 0) {
        QCOMPARE(int(s.steps.back().kind), last_kind);
        QCOMPARE(s.steps.back().by_request, by_request);
    }
}

void tst_sim_scenario::bad_files_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("error");
    QTest::newRow("unknown trigger") << "when 3 silent"
                                     << "line 1: a step begins with";
    QTest::newRow("missing action") << "at 3"
                                    << "line 1: expected";
    QTest::newRow("negative time") << "at -1 silent"
                                   << "line 1: bad time";
    QTest::newRow("request 0") << "req 0 silent"
                               << "line 1: bad request number";
    QTest::newRow("unknown action on line 3") << "# x\nat 1 silent\nat 2 explode"
                                              << "line 3: unknown action 'explode'";
    QTest::newRow("unknown setting") << "at 1 set colour 3"
                                     << "line 1: unknown setting";
    QTest::newRow("status out of range") << "at 1 set status 256"
                                         << "line 1: bad value";
    QTest::newRow("value not a number") << "at 1 set in1.whole ten"
                                        << "line 1: bad value";
    QTest::newRow("version with three parts") << "at 1 set version 1.2.3"
                                              << "line 1: bad value";
    QTest::newRow("split without pause") << "req 1 split 10"
                                         << "line 1: wrong number";
    QTest::newRow("too many arguments") << "req 1 corrupt now"
                                        << "line 1: wrong number";
    QTest::newRow("noise without seconds") << "at 1 noise"
                                           << "line 1: wrong number";
    QTest::newRow("noise for ever") << "at 1 noise inf"
                                    << "line 1: bad duration";
    QTest::newRow("address 248") << "at 1 set address 248"
                                 << "line 1: bad value";
    QTest::newRow("a line with parity X") << "at 1 set line 19200X1"
                                          << "line 1: bad value";
    QTest::newRow("a line with 3 stop bits") << "at 1 set line 9600N3"
                                             << "line 1: bad value";
    QTest::newRow("a 200-digit time, quoted to 60")
        << "at " + QString(200, QLatin1Char('9')) + " silent"
        << "line 1: bad time '" + QString(60, QLatin1Char('9')) + "...'";
}

void tst_sim_scenario::bad_files()
{
    QFETCH(QString, text);
    QFETCH(QString, error);
    std::istringstream in(text.toStdString());
    sim::scenario s;
    std::string message;
    QVERIFY(!sim::parse_scenario(in, s, message));
    QVERIFY2(QString::fromStdString(message).startsWith(error), message.c_str());
}

void tst_sim_scenario::shipped_examples_data()
{
    QTest::addColumn<QString>("path");
    const QDir dir(QStringLiteral(ORTE_SCENARIO_DIR));
    const QStringList files = dir.entryList({ QStringLiteral("*.txt") });
    QVERIFY(files.size() >= 4);
    for (const QString &f : files)
        QTest::newRow(qPrintable(f)) << dir.filePath(f);
}

void tst_sim_scenario::shipped_examples()
{
    QFETCH(QString, path);
    std::ifstream in(path.toStdString());
    QVERIFY(in.good());
    sim::scenario s;
    std::string error;
    QVERIFY2(sim::parse_scenario(in, s, error), error.c_str());
    QVERIFY(!s.steps.empty());
}

void tst_sim_scenario::settings_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("ok");
    QTest::newRow("model 255") << "model"
                               << "255" << true;
    QTest::newRow("model 256") << "model"
                               << "256" << false;
    QTest::newRow("serial 0xFFFFFFFF") << "serial"
                                       << "0xFFFFFFFF" << true;
    QTest::newRow("serial -1") << "serial"
                               << "-1" << false;
    QTest::newRow("in1.type 0x0101") << "in1.type"
                                     << "0x0101" << true;
    QTest::newRow("in2.milli -32768") << "in2.milli"
                                      << "-32768" << true;
    QTest::newRow("in2.milli 32768") << "in2.milli"
                                     << "32768" << false;
    QTest::newRow("address 0") << "address"
                               << "0" << false;
    QTest::newRow("in3.type") << "in3.type"
                              << "1" << false;
    QTest::newRow("empty value") << "status"
                                 << "" << false;
}

void tst_sim_scenario::settings()
{
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(bool, ok);
    sim::converter_state state;
    std::string error;
    QCOMPARE(sim::apply_setting(state, key.toStdString(), value.toStdString(), error), ok);
    QCOMPARE(error.empty(), ok);
}

void tst_sim_scenario::data_image()
{
    sim::converter_state state;
    std::string error;
    QVERIFY(sim::apply_setting(state, "model", "9", error));
    QVERIFY(sim::apply_setting(state, "version", "2.0.0.1", error));
    QVERIFY(sim::apply_setting(state, "serial", "123456", error));
    QVERIFY(sim::apply_setting(state, "in1.whole", "-5", error));
    QVERIFY(sim::apply_setting(state, "in2.cj", "-12", error));
    QVERIFY(sim::apply_setting(state, "status", "0xA5", error));
    const auto regs = sim::input_registers(state);
    QCOMPARE(regs[0], quint16(0xFFFB));
    QCOMPARE(regs[7], quint16(0xFFF4));
    QCOMPARE(regs[50], quint16(9));
    QCOMPARE(regs[51], quint16(0x0200));
    QCOMPARE(regs[52], quint16(0x0001));
    // 123456 = 0x0001E240
    QCOMPARE(regs[53], quint16(0x0001));
    QCOMPARE(regs[54], quint16(0xE240));
    const auto bits = sim::coils(state);
    const std::array<uint8_t, 8> expected { 1, 0, 1, 0, 0, 1, 0, 1 };
    QVERIFY(bits == expected);
}

void tst_sim_scenario::address_ranges_data()
{
    QTest::addColumn<bool>("coils");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("exists");
    QTest::newRow("registers 0..11") << false << 0 << 12 << true;
    QTest::newRow("registers 0..12") << false << 0 << 13 << false;
    QTest::newRow("registers 50..54") << false << 50 << 5 << true;
    QTest::newRow("registers 49..53") << false << 49 << 5 << false;
    QTest::newRow("registers 54..55") << false << 54 << 2 << false;
    QTest::newRow("registers 20") << false << 20 << 1 << false;
    QTest::newRow("coils 0..7") << true << 0 << 8 << true;
    QTest::newRow("coils 0..8") << true << 0 << 9 << false;
    QTest::newRow("coil 7") << true << 7 << 1 << true;
}

void tst_sim_scenario::address_ranges()
{
    QFETCH(bool, coils);
    QFETCH(int, start);
    QFETCH(int, count);
    QFETCH(bool, exists);
    QCOMPARE(coils ? sim::coils_exist(start, count) : sim::input_registers_exist(start, count),
             exists);
}

void tst_sim_scenario::runner_data()
{
    // Events: "t MS" (the clock read at MS) or "r MS" (a request at MS); what ran, by line.
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("events");
    QTest::addColumn<QString>("ran");
    const QString script = "at 1 silent\nreq 2 corrupt\nat 3 repeat\n";
    QTest::newRow("nothing before its time") << script << "t 999"
                                             << "";
    QTest::newRow("at 1 runs once") << script << "t 1000 t 1500"
                                    << "1";
    QTest::newRow("req 2 with the second request") << script << "r 100 r 200 r 300"
                                                   << "2";
    QTest::newRow("repeat starts clock and count over")
        << script << "t 3000 t 3999 t 4000 r 4100 r 4200"
        << "1 3 1 2";
    QTest::newRow("steps due together run in file order") << "at 2 delay 5\nat 1 silent\n"
                                                          << "t 2500"
                                                          << "1 2";
}

void tst_sim_scenario::runner()
{
    QFETCH(QString, script);
    QFETCH(QString, events);
    QFETCH(QString, ran);
    std::istringstream in(script.toStdString());
    sim::scenario s;
    std::string error;
    QVERIFY(sim::parse_scenario(in, s, error));
    sim::scenario_runner r(s, 0);
    QStringList lines;
    const QStringList words = events.split(' ');
    for (int i = 0; i + 1 < words.size(); i += 2) {
        const double at = words[i + 1].toDouble();
        for (const sim::step &st : words[i] == "t" ? r.due(at) : r.request_arrived(at))
            lines << QString::number(st.line);
    }
    QCOMPARE(lines.join(' '), ran);
}

QTEST_APPLESS_MAIN(tst_sim_scenario)
#include "tst_sim_scenario.moc"
