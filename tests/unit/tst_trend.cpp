// The recorder's chart store: what a pixel column shows, gaps, and thinning a long run.

#include <QtTest>

#include "recorder/trend.h"

#include <cmath>

class tst_trend : public QObject
{
    Q_OBJECT

private slots:
    void columns_keep_each_extreme_data();
    void columns_keep_each_extreme();
    void thinning_keeps_the_envelope_and_the_gaps();
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

QTEST_APPLESS_MAIN(tst_trend)
#include "tst_trend.moc"
