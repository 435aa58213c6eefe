#pragma once

#include <QString>
#include <QtGlobal>

namespace orte {

// What one status byte (coils 0..7) shows; an empty text shows nothing.
struct status_view
{
    bool in1_fault = false;
    bool in2_fault = false;
    QString faults; // the fault summary
    QString setpoints_in1; // input 1 against its setpoints
    QString setpoints_in2;
};

status_view decode_status(quint8 status_byte);

// The fault summary as the log writes it, line feed included ("Ошибок нет\n" for none).
QString fault_log_text(quint8 status_byte);

} // namespace orte
