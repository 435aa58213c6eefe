// The recorder's chart store and view: what a pixel column shows, gaps, thinning a long run,
// the value at a time, following and holding a span, and ticks at round times.

#include <QtTest>

#include "recorder/chart_window.h"
#include "recorder/trend.h"

#include <cmath>

class tst_trend : public QObject
{
    Q_OBJECT

private slots:
    void columns_keep_each_extreme_data();
    void columns_keep_each_extreme();
    void thinning_keeps_the_envelope_and_the_gaps();
    void value_at_a_time();
    void view_follows_until_held_data();
    void view_follows_until_held();
    void ticks_at_round_times_data();
    void ticks_at_round_times();
};

void tst_trend::columns_keep_each_extreme_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("gap_at"); // -1: none
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("first"); // the span drawn, in points
    QTest::addColumn<int>("last");
    QTest::newRow("a day at 600 ms on 800 columns") << 144000 << 800 << -1 << 1 << 0 << 144000;
    QTest::newRow("fewer points than columns") << 30 << 800 << -1 << 1 << 0 << 30;
    QTest::newRow("a fault breaks the line") << 5000 << 200 << 2500 << 2 << 0 << 5000;
    // Summaries cover whole runs of points: a span that begins and ends inside them.
    QTest::newRow("a span within the run") << 100003 << 300 << -1 << 1 << 12345 << 80001;
}

void tst_trend::columns_keep_each_extreme()
{
    QFETCH(int, points);
    QFETCH(int, columns);
    QFETCH(int, gap_at);
    QFETCH(int, lines);
    QFETCH(int, first);
    QFETCH(int, last);
    orte::trend_series s(1000000);
    for (int i = 0; i < points; ++i) {
        if (i == gap_at)
            s.gap(i * 600);
        // A slow wave with a single spike in it.
        s.add(i * 600, i == points / 3 ? 1000.0 : std::sin(i / 50.0));
    }
    const auto drawn = s.lines(qint64(first) * 600, qint64(last) * 600, columns);
    QCOMPARE(drawn.size(), lines);
    int shown = 0;
    double high = -1e9;
    for (const auto &line : drawn) {
        shown += line.size();
        for (const QPointF &p : line)
            high = std::max(high, p.y());
        for (int i = 1; i < line.size(); ++i)
            QVERIFY(line[i].x() >= line[i - 1].x()); // in the order they came
        // Nothing from outside the span but the points just around it.
        QVERIFY(line.constFirst().x() >= (first - 1) * 600.0);
        QVERIFY(line.constLast().x() <= (last + 1) * 600.0);
    }
    // At most a minimum and a maximum a column (and the points around the span), and the
    // spike is never averaged away.
    QVERIFY2(shown <= 2 * columns + 4, qPrintable(QString::number(shown)));
    QCOMPARE(high, 1000.0);
}

void tst_trend::thinning_keeps_the_envelope_and_the_gaps()
{
    orte::trend_series s(1000);
    for (int i = 0; i < 10000; ++i) {
        if (i == 5000)
            s.gap(i);
        s.add(i, i % 97 == 0 ? -50.0 : i % 10);
    }
    QVERIFY(s.size() <= 1000);
    double low = 0;
    double high = 0;
    QVERIFY(s.range(0, 10000, low, high));
    QCOMPARE(low, -50.0);
    QCOMPARE(high, 9.0);
    QCOMPARE(s.lines(0, 10000, 100).size(), 2);
}

void tst_trend::value_at_a_time()
{
    orte::trend_series s;
    s.add(1000, 1.5);
    s.add(2000, 2.5);
    s.gap(2500);
    s.add(3000, 3.5);
    QVERIFY(!s.at(999));
    QCOMPARE(*s.at(1000), 1.5);
    QCOMPARE(*s.at(1999), 1.5);
    QVERIFY(!s.at(2700)); // the line is broken there
    QCOMPARE(*s.at(9000), 3.5);
}

void tst_trend::view_follows_until_held_data()
{
    // Steps: "f N" follow the last N minutes, "z F AT" zoom by F about AT s, "r A B" zoom to
    // the rectangle [A, B] s, "p S" pan by S s, "R" resume, "0" the whole run again.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<bool>("following");
    QTest::addColumn<qint64>("from"); // s, with the run from 100 s to 1000 s
    QTest::addColumn<qint64>("to");
    QTest::newRow("the whole run") << "" << true << qint64(100) << qint64(1000);
    QTest::newRow("the last 5 min") << "f 5" << true << qint64(700) << qint64(1000);
    QTest::newRow("a zoom holds the view")
        << "f 5|z 0.5 800" << false << qint64(750) << qint64(900);
    QTest::newRow("a pan holds it too") << "p -100" << false << qint64(0) << qint64(900);
    QTest::newRow("a rectangle, drawn right to left")
        << "r 600 500" << false << qint64(500) << qint64(600);
    QTest::newRow("no shorter than a second") << "r 500 500" << false << qint64(499) << qint64(501);
    QTest::newRow("resumed: the chosen minutes again")
        << "f 1|r 500 600|R" << true << qint64(940) << qint64(1000);
    QTest::newRow("a double click: the whole run")
        << "f 15|p 10|0" << true << qint64(100) << qint64(1000);
}

void tst_trend::view_follows_until_held()
{
    QFETCH(QString, steps);
    QFETCH(bool, following);
    QFETCH(qint64, from);
    QFETCH(qint64, to);
    orte::chart_window w;
    const qint64 first = 100000;
    const qint64 last = 1000000;
    for (const QString &step : steps.split('|', Qt::SkipEmptyParts)) {
        const QStringList a = step.split(' ');
        const orte::time_span now = w.shown(first, last, last);
        if (a[0] == "f")
            w.follow(a[1].toInt());
        else if (a[0] == "z")
            w.zoom_time(now, a[1].toDouble(), a[2].toLongLong() * 1000);
        else if (a[0] == "r")
            w.zoom_to(a[1].toLongLong() * 1000, a[2].toLongLong() * 1000);
        else if (a[0] == "p")
            w.pan(now, a[1].toLongLong() * 1000);
        else if (a[0] == "R")
            w.resume();
        else
            w.reset();
    }
    QCOMPARE(w.following(), following);
    const orte::time_span shown = w.shown(first, last, last);
    QCOMPARE(shown.from / 1000, from);
    QCOMPARE((shown.to + 999) / 1000, to);
}

void tst_trend::ticks_at_round_times_data()
{
    QTest::addColumn<qint64>("from"); // ms after local midnight
    QTest::addColumn<qint64>("to");
    QTest::addColumn<int>("offset"); // the local time's offset from UTC, s
    QTest::addColumn<qint64>("step");
    QTest::addColumn<qint64>("first_tick");
    QTest::addColumn<int>("count");
    // 06:04:59.4 to 06:05:18.2, as seen: ticks each 5 s from 06:04:55.
    QTest::newRow("seconds") << qint64(21899400) << qint64(21918200) << 0 << qint64(5000)
                             << qint64(21895000) << 6;
    QTest::newRow("a day, Moscow time: on local hours")
        << qint64(0) << qint64(86400000) << 3 * 3600 << qint64(10800000) << qint64(0) << 9;
}

void tst_trend::ticks_at_round_times()
{
    QFETCH(qint64, from);
    QFETCH(qint64, to);
    QFETCH(int, offset);
    QFETCH(qint64, step);
    QFETCH(qint64, first_tick);
    QFETCH(int, count);
    // Local midnight of some day, as ms since the epoch in UTC.
    const qint64 midnight = 20000LL * 86400000 - offset * 1000LL;
    const orte::time_ticks t = orte::round_ticks({ midnight + from, midnight + to }, 10, offset);
    QCOMPARE(t.step, step);
    QCOMPARE(t.span.from - midnight, first_tick);
    QCOMPARE(t.count, count);
    QVERIFY(t.span.to >= midnight + to);
}

QTEST_APPLESS_MAIN(tst_trend)
#include "tst_trend.moc"
