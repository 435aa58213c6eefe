#pragma once

// A reading as orte-cli's console line shows it.

#include "engine/mqtt.h"
#include "engine/recording.h"

#include <QDateTime>
#include <QString>
#include <QTextStream>

#include <memory>
#include <optional>

namespace orte_cli {

using orte::converter_state;
using orte::fault_flags;
using orte::input_figures;
using orte::poll_record;
using orte::reading;
using orte::record_of;
using orte::run_figures;
using outcome = orte::exchange_outcome;

// "hh:mm:ss.zzz | values | faults | setpoints | link", with the monitor's own texts.
QString text_line(const reading &r, const QDateTime &at);

// What the recording's files said, with orte-cli's advice where a file exists.
QString file_said(const orte::recording &files, const QString &said);

// The run's broker (none without --mqtt), what it says going to `err` through `context`.
std::unique_ptr<orte::mqtt_publisher> open_broker(const std::optional<orte::mqtt_target> &target,
                                                  QObject *context, QTextStream &err);
// The run's end at the broker: "offline", what is kept sent, what never reached it said.
void close_broker(orte::mqtt_publisher *broker, QTextStream &err);

} // namespace orte_cli
