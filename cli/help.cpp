#include "cli/help.h"

#include <QtGlobal>

namespace orte_cli {

const char *help_text()
{
    return QT_TRANSLATE_NOOP("text", R"(Usage:
  orte-cli scan [PORT...] [--baud LIST] [--parity LIST] [--stop-bits LIST]
                [--address RANGE] [--all]
  orte-cli watch PORT --baud N --parity P --stop-bits N --address A
                [--csv FILE | --csv-plain FILE] [--xlsx FILE] [--force]
                [--interval MS] [--polls N]
  orte-cli listen PORT [--baud LIST] [--parity LIST] [--stop-bits LIST]
                [--address A] [--csv FILE | --csv-plain FILE] [--xlsx FILE]
                [--force] [--stats]
  Any command takes --trace: every frame sent and every chunk received, with
  its time in ms, on standard error.

scan    tries the identification request of the ОРТЕ-473 over every combination
        of speed, parity, stop bits and address (default: the monitor's eleven
        speeds 1200..921600, none/even/odd, 1 and 2 stop bits, addresses 1-128,
        the monitor's range; 9600 8N1 and 19200 8E1 first, then from the
        fastest speed down), and prints each converter found: settings,
        address, model, firmware version, serial number. Without a PORT it
        tries every serial port the system lists, one after another, and names
        the port of each line. It stops at the first converter unless --all. It
        also says what else it heard: an exception, a model code outside the
        table, a reply from another address (a late one), bytes that never
        formed a frame at some setting. On a terminal a progress line shows the
        port, what is tried and the time left. Ctrl+C stops it.
watch   identifies the converter (three tries; what answered instead is said),
        then polls measurement and status in turn every --interval ms (default
        300; a late poll starts the period again from itself) and prints one
        decoded line per poll with the monitor's own texts: an input's fault
        text replaces its value from the measurement after the status reply
        that reported the fault, as on the monitor's page. At the end it prints
        a summary: polls, CRC errors, time-outs, exceptions, and the minimum,
        maximum and mean of each input.
        --csv FILE writes a row per poll for the spreadsheet of this system
        (UTF-8 with a byte-order mark; ";" between cells and "," in numbers
        where the decimal separator is a comma; the time as a date-time;
        headings in your language): cells are empty where an input is in fault
        or absent, or the exchange failed. --csv-plain FILE writes the same for
        scripts (",", ".", ISO time, ASCII headings). Rows are written as they
        come.
        --xlsx FILE writes an Excel workbook when the recording ends, however
        it ends: the values (on further sheets past Excel's limit of rows), a
        chart of each input against time on an axis of its own, and the
        converter and the run.
        Each file is written under a scratch name beside it and takes its name
        once it holds the run (the CSV with its first row): an existing file is
        replaced only then, and only with --force. A link is followed to its
        file; what is not a regular file (a device, a FIFO) is refused. A port
        that goes away is said on standard error and reopened once a poll.
        --polls N stops after N polls, Ctrl+C (or closing the console window)
        at any time.
listen  reads a bus that another master (a PLC, a SCADA gateway) polls, without
        sending a byte: the port is opened for reading only. Connect the
        adapter's A and B to the bus's A and B and add no termination. Unless
        one speed and one parity are given it finds the line's speed by
        listening (the one at which the traffic forms frames with valid CRCs,
        however the adapter cuts the bytes into reads), then the parities that
        read the line: one where the adapter reports characters with a wrong
        parity, else what cannot be told apart. Stop bits cannot be heard: 1 or
        2. On a terminal a progress line says what is tried; a line whose
        settings change is noticed. It pairs each reply with its request, keeps
        for each slave what its replies carried (input registers 0-11 and 50-54
        or any part, coils 0-7 or part) and prints a line per reply with the
        monitor's own texts, each value once the registers it needs have been
        seen (frames heard while the settings were sought too), and each write.
        --address A takes that slave alone; without it --csv, --csv-plain and
        --xlsx (which work as in watch) record every slave heard, each in a
        part of its own. A slave that leaves three requests in
        a row unanswered is said. At the end (and every 10 s with --stats) it
        prints the bus figures: requests by address, function and range (the
        most frequent first), the request rate, replies, exceptions, CRC
        errors, unanswered requests and the reply latency. Ctrl+C ends it.

LIST is comma-separated: --baud 9600,19200  --parity none,even,odd
--stop-bits 1,2
Speeds: the standard ones from 50 to 921600. RANGE is A or A-B, within 1-247
(Modbus; the monitor offers 1-128): --address 1-32. Numbers are decimal or 0x
hex.

Exit codes:
  0    scan: a converter was found; watch: the recording ran to its end
       (--polls, Ctrl+C); listen: ended by Ctrl+C
  1    no converter found (watch: none at the given settings)
  2    bad arguments, or a file cannot be written or exists without --force
  3    the port cannot be opened, or it went away (watch: and did not come
       back; scan: and no converter was found on the other ports)
  4    watch: the recording is incomplete (a row or the workbook could not be
       written)
  130  scan: stopped by Ctrl+C before a converter was found
  141  standard output was closed (the program reading it ended)

Examples:
  orte-cli scan
  orte-cli scan COM3 --baud 9600,19200 --address 1-10 --all
  orte-cli watch COM3 --baud 19200 --parity even --stop-bits 1 --address 5
                --xlsx run.xlsx
  orte-cli watch /dev/ttyUSB0 --baud 9600 --parity none --stop-bits 1
                --address 1 --csv run.csv
  orte-cli listen COM3 --stats
)");
}

const char *help_plant_text()
{
    return QT_TRANSLATE_NOOP("text", R"(
Beyond one converter on one cable:
  watch --address takes a list and ranges (1,5,7 or 1-4): each converter is
        identified and polled in turn on its own period; one that stops
        answering is asked again every 2 s (or --interval) without holding up
        the others, and identified again when it returns. The CSV gains an
        address column, the workbook a values sheet, a chart and a run sheet
        for each, the summary a part for each. listen without --address
        records every slave heard the same way. scan --all ends with one watch
        command for all the converters it found on a line.
  PORT may be tcp://HOST[:PORT] (Modbus TCP, port 502 by default; the unit id
        is the address) or rtu+tcp://HOST:PORT (RTU frames on a raw TCP
        socket: a serial device server). The gateway keeps the line's settings:
        watch needs only --address, scan searches addresses only, listen reads
        what an rtu+tcp:// server forwards. --reply-ms MS is the network's
        reply window (default 1000). A lost connection is said and made again.
  --mqtt mqtt://[USER[:PASSWORD]@]HOST[:PORT]/PREFIX (watch, listen): each
        poll as JSON on PREFIX/SERIAL/state; the identity on
        PREFIX/SERIAL/identity and online/offline on PREFIX/SERIAL/status,
        retained, with a last will; QoS 1. While the broker is away the
        messages are kept (up to 100000, then the oldest are dropped and
        counted) and the connection is tried again. A USER without a password
        takes it from ORTE_MQTT_PASSWORD; a password is never printed.
  --rotate daily|hourly (watch, listen): new files each day or hour, each
        whole, named by it: run.csv becomes run-2026-12-09.csv.
  A collector: /etc/orte/NAME.conf holds ORTE_ARGS=watch ...; then
        systemctl enable --now orte-cli@NAME (its files in /var/lib/orte/NAME).
)");
}

} // namespace orte_cli
