#pragma once

// What a listener counts on a bus, and how it names requests, writes and parities: plain
// values and texts, for every front end.

#include <QByteArray>
#include <QString>

#include <array>
#include <map>

namespace orte {

// Reply latencies in half-millisecond steps up to two seconds: a median and a maximum in
// bounded memory, however long the run.
struct latency_histogram
{
    std::array<quint32, 4001> steps {};
    quint64 count = 0;
    double longest = 0;

    void add(double ms);
    double median() const;
};

// The bus's figures.
struct bus_figures
{
    std::map<QString, int> requests; // by address, function and range (request_text)
    int other_requests = 0; // past as many kinds as are kept by name
    int request_count = 0;
    int broadcasts = 0;
    int replies = 0;
    int exceptions = 0;
    int crc_errors = 0;
    int unanswered = 0;
    latency_histogram latency;
    // Replies read with the end of their request: a USB adapter's chunking hides the latency.
    int latency_hidden = 0;

    void count_request(const QString &kind);
};

// What a request asks for, for the figures: where and how much, never the values written.
QString request_text(const QByteArray &request);
// "Reply latency: median 4.6 ms, maximum 9.1 ms", where the reads let it be known; empty when
// no reply was heard.
QString latency_text(const bus_figures &f);

// A write, as the line of its slave shows it; empty for anything else.
QString write_text(const QByteArray &request);
// "parity even", or what cannot be told apart: "parity even, odd or none (the adapter does not
// report parity errors)".
QString parity_text(const QString &parities);
QString parity_name(QChar parity);

} // namespace orte
