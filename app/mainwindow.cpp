#include "app/mainwindow.h"

#include "decode/ident.h"
#include "decode/measure.h"
#include "decode/register_map.h"
#include "decode/status.h"
#include "link/frame_bytes.h"
#include "link/port_list.h"
#include "link/port_setup.h"
#include "link/reply_path.h"
#include "link/wire_trace.h"
#include "ui_mainwindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>

namespace {
constexpr const char *msg_no_ports = "Ошибка. В системе нет СОМ портов";
constexpr const char *msg_cannot_open = "Ошибка. Не удалось подключиться к порту";
constexpr const char *msg_not_found = "Ошибка. Преобразователь не найден. Проверьте подключение, "
                                      "настройки, номер COM порта и адрес Modbus преобразователя";
constexpr const char *msg_stopped = "Выберите адрес преобразователя и нажмите Старт";

using orte::link_state;

// Sets a label, or clears it for an empty text, only when that changes what it shows: a label
// repaints and relays out even for the text it already has, and most replies change nothing.
void show_text(QLabel *label, const QString &text)
{
    if (label->text() == text)
        return;
    if (text.isEmpty())
        label->clear();
    else
        label->setText(text);
}

void show_text(QLabel *label, const char *utf8)
{
    show_text(label, QString::fromUtf8(utf8));
}
} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
    , req_measure(orte::initial_req_measure())
    , req_status(orte::initial_req_status())
    , req_ident(orte::initial_req_ident())
    , reply_done(0)
    , device_found(0)
    , single_input(0)
    , device_address(0)
    , status_byte(0)
    , status_prev(0)
    , timeout_count(0)
    , poll_toggle(0)
    , stamp_year(0)
    , stamp_month(0)
    , stamp_day(0)
    , stamp_hour(0)
    , stamp_minute(0)
    , stamp_second(0)
    , log_enabled(0)
    , stop_on_timeouts(0)
    , in1_fault(0)
    , in2_fault(0)
    , link_state(link_state::idle)
{
    ui->setupUi(this);

    connect(ui->Start, &QPushButton::clicked, this, &MainWindow::butoon_start_click);
    connect(ui->Stop, &QPushButton::clicked, this, &MainWindow::butoon_stop_click);
    connect(ui->Recall, &QPushButton::clicked, this, &MainWindow::butoon_recall_click);
    connect(&poll_timer, &QTimer::timeout, this, &MainWindow::routine_timer);
    connect(&reply_timer, &QTimer::timeout, this, &MainWindow::routine_timer_prm);
    connect(&serial_port, &QSerialPort::readyRead, this, &MainWindow::prm_rs);
    connect(&serial_port, &QSerialPort::errorOccurred, this, &MainWindow::on_port_error);

    port_names = orte::list_serial_ports();
    ui->nomer_com->insertItems(0, port_names);

    reply_timer.setInterval(100);
    // The default coarse timers may run 5 % late: the poll period would drift.
    poll_timer.setTimerType(Qt::PreciseTimer);
    reply_timer.setTimerType(Qt::PreciseTimer);

    ui->Stop->setEnabled(false);
    ui->Start->setEnabled(true);
    ui->stackedWidget->setCurrentIndex(0);
}

MainWindow::~MainWindow()
{
    delete ui;
    serial_port.close();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    // Closing the window ends a search at once: nothing more is sent, no run begins.
    if (link_state == link_state::searching)
        link_state = link_state::search_abandoned;
    QMainWindow::closeEvent(event);
}

void MainWindow::butoon_recall_click()
{
    if (link_state == link_state::searching)
        return;
    port_names = QStringList();
    ui->nomer_com->clear();
    port_names = orte::list_serial_ports();
    ui->nomer_com->insertItems(0, port_names);
}

void MainWindow::butoon_start_click()
{
    // A click handled inside the search's own wait would start a second search over it.
    if (link_state == link_state::searching)
        return;
    device_found = 0;
    device_address = quint8(ui->adr_ustr->value());
    if (port_names.isEmpty()) {
        ui->err_poisk->setText(QString::fromUtf8(msg_no_ports));
        return;
    }

    // The parity list reads none, odd, even.
    orte::line_format format;
    format.baud = ui->speed_com->currentText().toInt(nullptr, 10);
    format.stop_bits = ui->stopbit->currentText().toInt(nullptr, 10) == 1 ? 1 : 2;
    format.parity = "NOE"[qBound(0, ui->chetnost->currentIndex(), 2)];
    orte::apply_line_format(serial_port, ui->nomer_com->currentText(), format);
    // At 1200 baud a request and its reply do not fit the usual 100/300 ms.
    reply_timer.setInterval(orte::reply_window_ms(format));

    if (!serial_port.open(QIODevice::ReadWrite)) {
        ui->err_poisk->setText(QString::fromUtf8(msg_cannot_open));
        return;
    }
    // Whatever the system buffered before the port was ours would spoil the reply.
    serial_port.clear(QSerialPort::Input);

    end_open_exchange();
    reply_done = 0;
    link_state = link_state::searching;
    QTimer wait_limit;
    wait_limit.setSingleShot(true);
    wait_limit.start(orte::ident_wait_limit_ms);
    send_ident();
    orte::search_step step = orte::search_step::wait;
    while ((step = orte::next_search_step(link_state, reply_done != 0, !wait_limit.isActive()))
           == orte::search_step::wait)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (step == orte::search_step::give_up)
        end_exchange_without_reply();
    link_state = link_state::idle;
    if (step == orte::search_step::abandon) {
        end_exchange_silently();
        serial_port.close();
        return;
    }

    if (device_found == 0) {
        ui->err_poisk->setText(QString::fromUtf8(msg_not_found));
        serial_port.close();
        return;
    }

    poll_timer.setInterval(orte::poll_period_ms(format));
    link_state = link_state::polling;
    poll_timer.start();
    since_tick.start();
    const quint32 serial = orte::serial_number(rx_buffer);
    ui->stackedWidget->setCurrentIndex(1);
    ui->Start->setEnabled(false);
    ui->Stop->setEnabled(true);
    ui->versia_po->setText(orte::version_text(rx_buffer));
    ui->err_izd->clear();
    ui->err_ust_1->clear();
    ui->err_ust_2->clear();
    ui->nomer_izd->setText(orte::serial_text(serial));
    stop_on_timeouts = ui->Time_out_yes->isChecked() ? 1 : 0;
    if (ui->log_file->isChecked()) {
        log_enabled = 1;
        create_log(serial);
    } else {
        log_enabled = 0;
    }
}

void MainWindow::butoon_stop_click()
{
    ui->Stop->setEnabled(false);
    ui->Start->setEnabled(true);
    ui->err_poisk->setText(QString::fromUtf8(msg_stopped));
    serial_port.close();
    poll_timer.stop();
    end_exchange_silently();
    link_state = link_state::idle;
    ui->stackedWidget->setCurrentIndex(0);
    close_run_log(orte::record_kind::stop);
}

void MainWindow::close_run_log(orte::record_kind kind)
{
    // The closing record is the run's last: a later failed Start must not add to its file.
    if (log_enabled)
        append_record(kind);
    log_enabled = 0;
}

void MainWindow::send_request(orte::request_frame &frame)
{
    rx_buffer.clear();
    orte::stamp_request(frame, device_address);
    req_sent = frame;
    if (link_state == link_state::polling)
        link_state = link_state::exchange_open;
    // A port closed after an error gets nothing; the exchange then simply times out.
    if (serial_port.isOpen()) {
        serial_port.write(reinterpret_cast<const char *>(frame.data()), qint64(frame.size()));
        orte::trace_wire("tx", frame.data(), int(frame.size()));
        serial_port.waitForBytesWritten(100);
    }
    // The wait above may already have read a whole reply: that exchange is over.
    if (link_state == link_state::exchange_open
        || (link_state == link_state::searching && reply_done == 0))
        reply_timer.start();
}

void MainWindow::send_ident()
{
    send_request(req_ident);
}

void MainWindow::routine_timer()
{
    // A tick made late by a busy window (a slow disk under the log, say) would be followed
    // early by the next one on the timer's grid, which at the slow speeds cuts the reply in
    // flight short ("Ошибка CRC" on a sound line): after a late tick the grid starts from it.
    if (poll_timer.isActive() && since_tick.isValid()
        && orte::tick_is_late(since_tick.elapsed(), poll_timer.interval()))
        poll_timer.start();
    since_tick.start();
    end_open_exchange();
    // A port closed after an error (an unplugged adapter, or a read that some USB drivers
    // abort on Windows) is opened again with the run's settings, once a tick: polling goes on
    // as soon as it opens.
    if (!serial_port.isOpen() && serial_port.open(QIODevice::ReadWrite))
        serial_port.clear(QSerialPort::Input);
    if (poll_toggle == 0) {
        send_request(req_measure);
        poll_toggle = 1;
    } else {
        send_request(req_status);
        poll_toggle = 0;
    }
}

void MainWindow::prm_rs()
{
    const QByteArray received = serial_port.readAll();
    orte::trace_wire("rx", received);
    const orte::chunk_result chunk = orte::accept_chunk(rx_buffer, received, req_sent);
    reply_timer.stop();
    timeout_count = 0;
    const orte::exchange_decision decision = orte::on_reply_chunk(chunk.frame_complete, chunk.kind);
    if (!decision.ended) {
        // Not a whole frame yet: keep the bytes and give the rest a fresh window.
        reply_timer.start();
        return;
    }
    take_reply(decision, chunk.kind);
}

void MainWindow::take_reply(const orte::exchange_decision &decision, orte::reply_kind kind)
{
    apply(decision);
    switch (kind) {
    case orte::reply_kind::exception:
        show_text(ui->err_izd, QString());
        break;
    case orte::reply_kind::status:
        status_byte = orte::rx_at(rx_buffer, 3);
        decode_status();
        break;
    case orte::reply_kind::ident:
        decode_ident();
        break;
    case orte::reply_kind::measure:
        decode_measure();
        break;
    case orte::reply_kind::unexpected:
        break;
    }
}

void MainWindow::routine_timer_prm()
{
    // A busy window may see its timer before the port: bytes the system already holds came
    // within the window, and reading them decides the exchange or gives it a fresh window.
    if (serial_port.isOpen() && serial_port.waitForReadyRead(0))
        return;
    end_exchange_without_reply();
}

void MainWindow::end_open_exchange()
{
    // Every chunk restarts the reply window, so on a line that never falls quiet an exchange
    // would never end: it ends when the next request goes out, as its window would have.
    if (reply_timer.isActive())
        end_exchange_without_reply();
}

void MainWindow::end_exchange_silently()
{
    reply_timer.stop();
    reply_done = 1;
    if (link_state == link_state::exchange_open)
        link_state = link_state::polling;
}

void MainWindow::end_exchange_without_reply()
{
    // A frame shorter than the request's reply waited for the rest; nothing more came, so it is
    // taken as it is.
    const orte::chunk_result held = orte::close_window(rx_buffer);
    if (held.frame_complete) {
        take_reply(orte::on_reply_chunk(true, held.kind), held.kind);
        return;
    }
    apply(orte::on_window_closed(quint8(rx_buffer.size()), stop_on_timeouts != 0, timeout_count));
}

void MainWindow::apply(const orte::exchange_decision &decision)
{
    end_exchange_silently();
    if (decision.link_text_set)
        show_text(ui->diag_ustr, decision.link_text);
    if (decision.record && log_enabled)
        append_record(decision.failure == orte::link_failure::crc_error
                          ? orte::record_kind::crc_error
                          : orte::record_kind::timeout);
    timeout_count = decision.timeouts;
    if (decision.stop_run)
        stop_run_lost_link();
}

void MainWindow::stop_run_lost_link()
{
    ui->Stop->setEnabled(false);
    ui->Start->setEnabled(true);
    serial_port.close();
    poll_timer.stop();
    link_state = link_state::idle;
    ui->stackedWidget->setCurrentIndex(0);
    close_run_log(orte::record_kind::link_lost);
}

void MainWindow::on_port_error(QSerialPort::SerialPortError error)
{
    // An unplugged adapter keeps reporting errors while the port claims to be open; close it
    // once, and polling carries on into time-outs as with a silent converter.
    const bool port_lost = error == QSerialPort::ResourceError || error == QSerialPort::ReadError
        || error == QSerialPort::WriteError;
    if (port_lost && serial_port.isOpen())
        serial_port.close();
}

void MainWindow::decode_ident()
{
    const orte::ident_result result = orte::decode_ident(rx_buffer);
    device_found = result.device_found ? 1 : 0;
    if (result.single_input >= 0)
        single_input = quint8(result.single_input);
    show_text(ui->string_name, result.string_name);
}

void MainWindow::decode_measure()
{
    const orte::measure_view view
        = orte::decode_measure(rx_buffer, single_input != 0, in1_fault != 0, in2_fault != 0);
    show_text(ui->T_1_channal, view.in1_value);
    show_text(ui->T_1_hs, view.in1_cold_junction);
    show_text(ui->t_2_channal, view.in2_value);
    show_text(ui->T_2_hs, view.in2_cold_junction);
}

void MainWindow::decode_status()
{
    if (status_byte != status_prev) {
        status_prev = status_byte;
        if (log_enabled)
            append_record(orte::record_kind::status_change);
    }
    const orte::status_view view = orte::decode_status(status_byte);
    in1_fault = view.in1_fault ? 1 : 0;
    in2_fault = view.in2_fault ? 1 : 0;
    show_text(ui->err_izd, view.faults);
    show_text(ui->err_ust_1, view.setpoints_in1);
    show_text(ui->err_ust_2, view.setpoints_in2);
}

void MainWindow::create_log(quint32 serial)
{
    const QDateTime now = QDateTime::currentDateTime();
    stamp_year = quint16(now.date().year());
    stamp_month = quint8(now.date().month());
    stamp_day = quint8(now.date().day());
    stamp_hour = quint8(now.time().hour());
    stamp_minute = quint8(now.time().minute());
    log_name = orte::log_file_name(now.date(), now.time());
    stamp_second = quint8(now.time().second());
    orte::append_to_log(log_name, orte::header_record(now.time(), serial));
}

void MainWindow::append_record(orte::record_kind kind)
{
    const QTime now = QTime::currentTime();
    stamp_hour = quint8(now.hour());
    stamp_minute = quint8(now.minute());
    stamp_second = quint8(now.second());
    orte::append_to_log(log_name, orte::log_record(kind, now, status_byte));
}
