#pragma once

#include "link/exchange.h"
#include "link/frames.h"
#include "link/link_timing.h"
#include "log/poll_log.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QSerialPort>
#include <QStringList>
#include <QTimer>

namespace Ui {
class MainWindow;
}

class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

protected:
    void closeEvent(QCloseEvent *event) override;

public slots:
    void butoon_start_click();
    void butoon_recall_click();
    void butoon_stop_click();
    void routine_timer();
    void routine_timer_prm();
    void prm_rs();

private:
    void send_request(orte::request_frame &frame);
    void send_ident();
    void end_exchange_without_reply();
    void end_open_exchange();
    void end_exchange_silently();
    void apply(const orte::exchange_decision &decision);
    void take_reply(const orte::exchange_decision &decision, orte::reply_kind kind);
    void stop_run_lost_link();
    void close_run_log(orte::record_kind kind);
    void on_port_error(QSerialPort::SerialPortError error);
    void decode_ident();
    void decode_measure();
    void decode_status();
    void create_log(quint32 serial);
    void append_record(orte::record_kind kind);

    Ui::MainWindow *ui;
    QTimer poll_timer;
    QElapsedTimer since_tick;
    QTimer reply_timer;
    QSerialPort serial_port;
    QString log_name;
    orte::request_frame req_measure;
    orte::request_frame req_status;
    orte::request_frame req_ident;
    orte::request_frame req_sent {}; // the last request out: its reply's length
    quint8 reply_done;
    quint8 device_found;
    quint8 single_input;
    quint8 device_address;
    quint8 status_byte;
    quint8 status_prev;
    quint8 timeout_count;
    quint8 poll_toggle;
    quint16 stamp_year;
    quint8 stamp_month;
    quint8 stamp_day;
    quint8 stamp_hour;
    quint8 stamp_minute;
    quint8 stamp_second;
    quint8 log_enabled;
    quint8 stop_on_timeouts;
    quint8 in1_fault;
    quint8 in2_fault;
    QByteArray rx_buffer;
    QStringList port_names;
    // Idle, searching (clicks on Старт and the port list are ignored, closing the window ends
    // it), polling, or an exchange open from a request's send to its end.
    orte::link_state link_state;
};
