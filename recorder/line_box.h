#pragma once

// A port and its line settings as the recording and listening pages take them.

#include "link/line_format.h"

#include <QComboBox>
#include <QLineEdit>
#include <QVector>
#include <QWidget>

namespace orte {

class line_box : public QWidget
{
    Q_OBJECT

public:
    // `any`: the speed and parity may be left to be found ("any").
    explicit line_box(bool any, QWidget *parent = nullptr);
    void refresh_ports();
    QString port_name() const;
    void set(const QString &port, const line_format &settings);
    // The chosen settings; a speed or parity of 0 is "any".
    int baud() const { return speed->currentData().toInt(); }
    char parity_code() const { return char(parity->currentData().toInt()); }
    int stop_bits() const { return stops->currentData().toInt(); }
    line_format settings() const { return { baud(), parity_code(), stop_bits() }; }
    // The addresses typed ("5", "1,5,7", "1-4"): false for what is not a list of addresses.
    // Left empty where "any" is allowed: every address, an empty list.
    bool address_list(QVector<int> &out) const;
    void set_addresses(const QVector<int> &list);

    QComboBox *port;
    QComboBox *speed;
    QComboBox *parity;
    QComboBox *stops;
    QLineEdit *addresses;

private:
    bool any_address;
};

} // namespace orte
