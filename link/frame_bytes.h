#pragma once

// Reading the bytes of a received frame by index, safely past its end.

#include <QByteArray>
#include <QtGlobal>

namespace orte {

// Byte `index` of a frame: reads at or beyond the end of the buffer give 0.
inline quint8 rx_at(const QByteArray &rx, int index)
{
    return (index >= 0 && index < rx.size()) ? quint8(rx.at(index)) : quint8(0);
}

} // namespace orte
