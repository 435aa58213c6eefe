#pragma once

// What one slave has said in the replies a listener heard, whatever ranges its master read:
// the registers and coils seen, and what they show in the monitor's own texts. A plain value
// fed with paired frames, so that it is tested without a port.

#include "decode/measure.h"

#include <QByteArray>
#include <QtGlobal>

#include <initializer_list>
#include <map>

namespace orte {

class slave_image
{
public:
    // What a reply to `request` brought.
    struct change
    {
        bool ident = false; // registers 50..54 are all known now, one of them just read
        bool measure = false; // some of registers 0..11
        bool status = false; // coils 0..7 are all known now, one of them just read
    };
    change take(const QByteArray &request, const QByteArray &reply);

    // Registers 50..54 as the identification reply would carry them.
    QByteArray ident_reply() const;
    // Registers 0..11 as the measurement reply would carry them, and the values they show
    // with the faults the status showed, each only once the registers it needs were seen.
    QByteArray measure_reply() const;
    measure_view measure() const;
    bool measure_shown() const;
    quint8 status() const { return status_byte; }
    bool single_input() const { return one_input; }
    bool in1_fault() const { return fault1; }
    bool in2_fault() const { return fault2; }

private:
    bool has(std::initializer_list<int> regs) const;
    QByteArray registers_reply(int start, int count) const;
    std::map<int, quint16> registers;
    std::map<int, bool> coils;
    quint8 status_byte = 0;
    bool one_input = false;
    bool fault1 = false;
    bool fault2 = false;
};

} // namespace orte
