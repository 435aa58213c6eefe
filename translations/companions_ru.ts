<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU" sourcelanguage="en">
<context>
    <name>text</name>
    <message>
        <source>%1 holds several converters; this chart shows one converter&apos;s recording</source>
        <translation>в %1 записано несколько преобразователей; этот график показывает запись одного</translation>
    </message>
    <message>
        <source>
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
        socket: a serial device server). The gateway keeps the line&apos;s settings:
        watch needs only --address, scan searches addresses only, listen reads
        what an rtu+tcp:// server forwards. --reply-ms MS is the network&apos;s
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
</source>
        <translation>
Больше одного преобразователя на одном кабеле:
  watch --address принимает список и диапазоны (1,5,7 или 1-4): каждый
        преобразователь опознаётся и опрашивается по очереди со своим
        периодом; переставший отвечать запрашивается снова каждые 2 с (или
        --interval), не задерживая остальных, и опознаётся заново, когда
        вернётся. В CSV появляется столбец адреса, в книге — лист значений,
        график и лист записи для каждого, в итогах — часть для каждого. listen
        без --address так же записывает всех услышанных ведомых. scan --all
        заканчивается одной командой watch для всех найденных на линии.
  ПОРТ может быть tcp://УЗЕЛ[:ПОРТ] (Modbus TCP, по умолчанию порт 502;
        идентификатор устройства — адрес) или rtu+tcp://УЗЕЛ:ПОРТ (кадры RTU
        по TCP как есть: сервер последовательных устройств). Настройки линии
        хранит шлюз: watch нужен только --address, scan перебирает только
        адреса, listen читает то, что передаёт сервер rtu+tcp://. --reply-ms МС
        — ожидание ответа по сети (по умолчанию 1000). Потерянное соединение
        называется и устанавливается снова.
  --mqtt mqtt://[ПОЛЬЗОВАТЕЛЬ[:ПАРОЛЬ]@]УЗЕЛ[:ПОРТ]/ПРЕФИКС (watch, listen):
        каждый опрос — JSON в ПРЕФИКС/НОМЕР/state; сведения о приборе в
        ПРЕФИКС/НОМЕР/identity и online/offline в ПРЕФИКС/НОМЕР/status,
        сохраняемые, с «последней волей»; QoS 1. Пока брокера нет, сообщения
        копятся (до 100000, затем самые старые отбрасываются и считаются), а
        подключение повторяется. ПОЛЬЗОВАТЕЛЬ без пароля берёт его из
        ORTE_MQTT_PASSWORD; пароль никогда не выводится.
  --rotate daily|hourly (watch, listen): новые файлы каждые сутки или час,
        каждый целый, с периодом в имени: замер.csv становится
        замер-2026-12-09.csv.
  Постоянный сбор: в /etc/orte/ИМЯ.conf строка ORTE_ARGS=watch ...; затем
        systemctl enable --now orte-cli@ИМЯ (файлы в /var/lib/orte/ИМЯ).
</translation>
    </message>
    <message>
        <source>the port&apos;s name is empty</source>
        <translation>пустое имя порта</translation>
    </message>
    <message>
        <source>--%1 does not go with %2</source>
        <translation>--%1 не применяется с %2</translation>
    </message>
    <message>
        <source>give --csv or --csv-plain, not both</source>
        <translation>укажите --csv или --csv-plain, но не оба</translation>
    </message>
    <message>
        <source>bad --baud &apos;%1&apos; (50 to 921600, a standard speed)</source>
        <translation>неверное значение --baud &apos;%1&apos; (от 50 до 921600, стандартная скорость)</translation>
    </message>
    <message>
        <source>bad --parity &apos;%1&apos; (none, even, odd)</source>
        <translation>неверное значение --parity &apos;%1&apos; (none, even, odd)</translation>
    </message>
    <message>
        <source>bad --stop-bits &apos;%1&apos; (1, 2)</source>
        <translation>неверное значение --stop-bits &apos;%1&apos; (1, 2)</translation>
    </message>
    <message>
        <source>bad --address &apos;%1&apos; (1 to 247)</source>
        <translation>неверное значение --address &apos;%1&apos; (от 1 до 247)</translation>
    </message>
    <message>
        <source>watch needs one --baud, --parity, --stop-bits and --address</source>
        <translation>watch нужны по одному --baud, --parity, --stop-bits и --address</translation>
    </message>
    <message>
        <source>bad --interval &apos;%1&apos; (50 ms or more)</source>
        <translation>неверное значение --interval &apos;%1&apos; (не меньше 50 мс)</translation>
    </message>
    <message>
        <source>bad --polls &apos;%1&apos;</source>
        <translation>неверное значение --polls &apos;%1&apos;</translation>
    </message>
    <message>
        <source>--force goes with --csv, --csv-plain or --xlsx</source>
        <translation>--force применяется с --csv, --csv-plain или --xlsx</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>Время</translation>
    </message>
    <message>
        <source>Input 1 type</source>
        <translation>Тип входа 1</translation>
    </message>
    <message>
        <source>Input 1 value</source>
        <translation>Значение входа 1</translation>
    </message>
    <message>
        <source>Input 1 cold junction</source>
        <translation>Холодный спай входа 1</translation>
    </message>
    <message>
        <source>Input 2 type</source>
        <translation>Тип входа 2</translation>
    </message>
    <message>
        <source>Input 2 value</source>
        <translation>Значение входа 2</translation>
    </message>
    <message>
        <source>Input 2 cold junction</source>
        <translation>Холодный спай входа 2</translation>
    </message>
    <message>
        <source>Input 1 fault</source>
        <translation>Ошибка входа 1</translation>
    </message>
    <message>
        <source>Input 2 fault</source>
        <translation>Ошибка входа 2</translation>
    </message>
    <message>
        <source>Output 1 fault</source>
        <translation>Ошибка выхода 1</translation>
    </message>
    <message>
        <source>Output 2 fault</source>
        <translation>Ошибка выхода 2</translation>
    </message>
    <message>
        <source>Input 1 above setpoint 1</source>
        <translation>Вход 1 выше уставки 1</translation>
    </message>
    <message>
        <source>Input 1 below setpoint 2</source>
        <translation>Вход 1 ниже уставки 2</translation>
    </message>
    <message>
        <source>Input 2 above setpoint 1</source>
        <translation>Вход 2 выше уставки 1</translation>
    </message>
    <message>
        <source>Input 2 below setpoint 2</source>
        <translation>Вход 2 ниже уставки 2</translation>
    </message>
    <message>
        <source>Link</source>
        <translation>Связь</translation>
    </message>
    <message>
        <source>(see --help)</source>
        <translation>(см. --help)</translation>
    </message>
    <message>
        <source>the system lists no serial ports</source>
        <translation>в системе нет последовательных портов</translation>
    </message>
    <message>
        <source>a Modbus exception %1 (not a converter)</source>
        <translation>исключение Modbus %1 (не преобразователь)</translation>
    </message>
    <message>
        <source>model code %1, outside the converter&apos;s table</source>
        <translation>код модели %1, не из таблицы преобразователя</translation>
    </message>
    <message>
        <source>a valid %1-byte frame, not the converter&apos;s reply</source>
        <translation>правильный кадр из %1 байт, но не ответ преобразователя</translation>
    </message>
    <message>
        <source>a frame of function %1, not an answer to this request</source>
        <translation>кадр функции %1, не ответ на этот запрос</translation>
    </message>
    <message>
        <source>a reply from address %1 (a late one, or another master&apos;s)</source>
        <translation>ответ с адреса %1 (запоздавший или другому ведущему)</translation>
    </message>
    <message>
        <source>bytes that never formed a frame</source>
        <translation>байты, не сложившиеся в кадр</translation>
    </message>
    <message>
        <source>%1 min %2 s</source>
        <translation>%1 мин %2 с</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 с</translation>
    </message>
    <message>
        <source>no converter found (%1 tries in %2)</source>
        <translation>преобразователь не найден (%1 попыток за %2)</translation>
    </message>
    <message>
        <source>%1 address %2</source>
        <translation>%1 адрес %2</translation>
    </message>
    <message>
        <source>cannot open %1: %2</source>
        <translation>не удалось открыть %1: %2</translation>
    </message>
    <message>
        <source>about %1 left</source>
        <translation>осталось около %1</translation>
    </message>
    <message>
        <source>interrupted after %1 of %2 tries (%3 next)</source>
        <translation>прервано после %1 из %2 попыток (следующая: %3)</translation>
    </message>
    <message>
        <source>the port %1 has gone (at %2)</source>
        <translation>порт %1 пропал (на %2)</translation>
    </message>
    <message>
        <source>something answers at %1 but not as a converter (bytes that never formed a frame)</source>
        <translation>при %1 что-то отвечает, но не как преобразователь (байты, не сложившиеся в кадр)</translation>
    </message>
    <message>
        <source>cannot write %1: %2</source>
        <translation>не удалось записать %1: %2</translation>
    </message>
    <message>
        <source>cannot write %1: %2; the recording is incomplete</source>
        <translation>не удалось записать %1: %2; запись неполная</translation>
    </message>
    <message>
        <source>Polls: %1; CRC errors: %2; time-outs: %3; exceptions: %4</source>
        <translation>Опросов: %1; ошибок CRC: %2; тайм-аутов: %3; исключений: %4</translation>
    </message>
    <message>
        <source>minimum %1, maximum %2, mean %3 (%4 values)</source>
        <translation>минимум %1, максимум %2, среднее %3 (значений: %4)</translation>
    </message>
    <message>
        <source>--%1 needs a file name</source>
        <translation>--%1: нужно имя файла</translation>
    </message>
    <message>
        <source>it is a link that loops or leads nowhere</source>
        <translation>это ссылка, которая замыкается на себя или никуда не ведёт</translation>
    </message>
    <message>
        <source>Reply latency: hidden by the adapter&apos;s chunking</source>
        <translation>Задержка ответа: не видна за порциями, которыми адаптер отдаёт байты</translation>
    </message>
    <message>
        <source>answered about %1 ms late</source>
        <translation>ответил примерно на %1 мс позже</translation>
    </message>
    <message>
        <source>Input %1 (%2, %3)</source>
        <translation>Вход %1 (%2, %3)</translation>
    </message>
    <message>
        <source>the port %1 has gone</source>
        <translation>порт %1 пропал</translation>
    </message>
    <message>
        <source>no converter at %1 address %2: %3</source>
        <translation>нет преобразователя при %1 адрес %2: %3</translation>
    </message>
    <message>
        <source>nothing answered</source>
        <translation>никто не ответил</translation>
    </message>
    <message>
        <source>the port %1 is back</source>
        <translation>порт %1 снова доступен</translation>
    </message>
    <message>
        <source>the port %1 has gone; reopening it every %2 ms</source>
        <translation>порт %1 пропал; открываю его заново каждые %2 мс</translation>
    </message>
    <message>
        <source>Chart</source>
        <translation>График</translation>
    </message>
    <message>
        <source>Converter and run</source>
        <translation>Преобразователь и запись</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>Заводской номер</translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation>Версия ПО</translation>
    </message>
    <message>
        <source>Port</source>
        <translation>Порт</translation>
    </message>
    <message>
        <source>Settings</source>
        <translation>Настройки</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Адрес</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Начало</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Конец</translation>
    </message>
    <message>
        <source>Polls</source>
        <translation>Опросов</translation>
    </message>
    <message>
        <source>CRC errors</source>
        <translation>Ошибок CRC</translation>
    </message>
    <message>
        <source>Time-outs</source>
        <translation>Тайм-аутов</translation>
    </message>
    <message>
        <source>Exceptions</source>
        <translation>Исключений</translation>
    </message>
    <message>
        <source>Input %1</source>
        <translation>Вход %1</translation>
    </message>
    <message>
        <source>minimum</source>
        <translation>минимум</translation>
    </message>
    <message>
        <source>maximum</source>
        <translation>максимум</translation>
    </message>
    <message>
        <source>mean</source>
        <translation>среднее</translation>
    </message>
    <message>
        <source>Values</source>
        <translation>Значения</translation>
    </message>
    <message>
        <source>give scan [PORT...], watch PORT or listen PORT</source>
        <translation>укажите scan [ПОРТ...], watch ПОРТ или listen ПОРТ</translation>
    </message>
    <message>
        <source>%1 takes one port</source>
        <translation>%1 принимает один порт</translation>
    </message>
    <message>
        <source>listen takes one --address, or none for every slave</source>
        <translation>listen принимает один --address или ни одного (все ведомые)</translation>
    </message>
    <message>
        <source>listen records one slave: give --address with --csv or --xlsx</source>
        <translation type="vanished">listen записывает одного ведомого: укажите --address с --csv или --xlsx</translation>
    </message>
    <message>
        <source>address %1, function %2, start %3, count %4</source>
        <translation>адрес %1, функция %2, начало %3, количество %4</translation>
    </message>
    <message>
        <source>Requests: %1 (%2 a second); replies: %3; exceptions: %4; CRC errors: %5; unanswered: %6</source>
        <translation>Запросов: %1 (%2 в секунду); ответов: %3; исключений: %4; ошибок CRC: %5; без ответа: %6</translation>
    </message>
    <message>
        <source>Reply latency: median %1 ms, maximum %2 ms</source>
        <translation>Задержка ответа: медиана %1 мс, максимум %2 мс</translation>
    </message>
    <message>
        <source>no traffic forms frames at any setting yet; listening on</source>
        <translation>обмен пока не складывается в кадры ни при каких настройках; слушаю дальше</translation>
    </message>
    <message>
        <source>the traffic no longer forms frames at %1: finding the line&apos;s settings again</source>
        <translation>обмен больше не складывается в кадры при %1: ищу настройки линии заново</translation>
    </message>
    <message>
        <source>address %1</source>
        <translation>адрес %1</translation>
    </message>
    <message>
        <source>another program is using the port</source>
        <translation>порт занят другой программой</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>это не обычный файл</translation>
    </message>
    <message>
        <source>the folder %1 does not exist</source>
        <translation>папки %1 нет</translation>
    </message>
    <message>
        <source>no space left on the device</source>
        <translation>на устройстве не осталось места</translation>
    </message>
    <message>
        <source>the file has reached the size limit</source>
        <translation>файл достиг предельного размера</translation>
    </message>
    <message>
        <source>the disk quota is exceeded</source>
        <translation>превышена дисковая квота</translation>
    </message>
    <message>
        <source>the file cannot be written</source>
        <translation>в файл нельзя записать</translation>
    </message>
    <message>
        <source>; replies to something else: %1</source>
        <translation>; ответов не на тот запрос: %1</translation>
    </message>
    <message>
        <source>resistance thermometer</source>
        <translation>термосопротивление</translation>
    </message>
    <message>
        <source>°C</source>
        <translation>°C</translation>
    </message>
    <message>
        <source>thermocouple</source>
        <translation>термопара</translation>
    </message>
    <message>
        <source>resistance</source>
        <translation>сопротивление</translation>
    </message>
    <message>
        <source>Ohm</source>
        <translation>Ом</translation>
    </message>
    <message>
        <source>voltage</source>
        <translation>напряжение</translation>
    </message>
    <message>
        <source>mV</source>
        <translation>мВ</translation>
    </message>
    <message>
        <source>Input %1: %2, %3</source>
        <translation>Вход %1: %2, %3</translation>
    </message>
    <message>
        <source>Input %1 value</source>
        <translation>Значение входа %1</translation>
    </message>
    <message>
        <source>Input %1 cold junction</source>
        <translation>Холодный спай входа %1</translation>
    </message>
    <message>
        <source>Input %1 chart</source>
        <translation>График входа %1</translation>
    </message>
    <message>
        <source>Model code</source>
        <translation>Код модели</translation>
    </message>
    <message>
        <source>Replies to something else</source>
        <translation>Ответов не на тот запрос</translation>
    </message>
    <message>
        <source>none: no value was received</source>
        <translation>нет: ни одного значения не получено</translation>
    </message>
    <message>
        <source>the last %1 polls, on the sheet %2</source>
        <translation>последние опросы (%1) на листе %2</translation>
    </message>
    <message>
        <source>the workbook cannot be made</source>
        <translation>книгу нельзя создать</translation>
    </message>
    <message>
        <source>address %1, function %2, write coil %3</source>
        <translation>адрес %1, функция %2, запись катушки %3</translation>
    </message>
    <message>
        <source>address %1, function %2, write register %3</source>
        <translation>адрес %1, функция %2, запись регистра %3</translation>
    </message>
    <message>
        <source>address %1, function %2, write from %3, count %4</source>
        <translation>адрес %1, функция %2, запись с %3, количество %4</translation>
    </message>
    <message>
        <source>address %1, function %2, read from %3, count %4, write from %5, count %6</source>
        <translation>адрес %1, функция %2, чтение с %3, количество %4, запись с %5, количество %6</translation>
    </message>
    <message>
        <source>address %1, function %2, device identification</source>
        <translation>адрес %1, функция %2, идентификация устройства</translation>
    </message>
    <message>
        <source>address %1, function %2</source>
        <translation>адрес %1, функция %2</translation>
    </message>
    <message>
        <source>writes coil %1: %2</source>
        <translation>запись катушки %1: %2</translation>
    </message>
    <message>
        <source>on</source>
        <translation>вкл.</translation>
    </message>
    <message>
        <source>off</source>
        <translation>выкл.</translation>
    </message>
    <message>
        <source>writes register %1: %2</source>
        <translation>запись регистра %1: %2</translation>
    </message>
    <message>
        <source>writes %1 coils from %2</source>
        <translation>запись катушек (%1) с %2</translation>
    </message>
    <message>
        <source>writes %1 registers from %2</source>
        <translation>запись регистров (%1) с %2</translation>
    </message>
    <message>
        <source>Broadcasts: %1</source>
        <translation>Широковещательных: %1</translation>
    </message>
    <message>
        <source>other requests</source>
        <translation>прочие запросы</translation>
    </message>
    <message>
        <source>even</source>
        <translation>чёт</translation>
    </message>
    <message>
        <source>odd</source>
        <translation>нечёт</translation>
    </message>
    <message>
        <source>none</source>
        <translation>нет</translation>
    </message>
    <message>
        <source>parity %1</source>
        <translation>чётность: %1</translation>
    </message>
    <message>
        <source>parity %1 or %2 (the adapter does not report parity errors)</source>
        <translation>чётность: %1 или %2 (адаптер не сообщает об ошибках чётности)</translation>
    </message>
    <message>
        <source>listening at %1 baud, parity %2</source>
        <translation>слушаю на %1 бод, чётность: %2</translation>
    </message>
    <message>
        <source>line settings found: %1 baud, %2, 1 or 2 stop bits (%3 frames, %4 CRC errors)</source>
        <translation>настройки линии найдены: %1 бод, %2, 1 или 2 стоп-бита (кадров: %3, ошибок CRC: %4)</translation>
    </message>
    <message>
        <source>%1 baud, %2, 1 or 2 stop bits</source>
        <translation>%1 бод, %2, 1 или 2 стоп-бита</translation>
    </message>
    <message>
        <source>address %1 does not answer (3 requests in a row)</source>
        <translation>адрес %1 не отвечает (3 запроса подряд)</translation>
    </message>
    <message>
        <source>Usage:
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
        of speed, parity, stop bits and address (default: the monitor&apos;s eleven
        speeds 1200..921600, none/even/odd, 1 and 2 stop bits, addresses 1-128,
        the monitor&apos;s range; 9600 8N1 and 19200 8E1 first, then from the
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
        decoded line per poll with the monitor&apos;s own texts: an input&apos;s fault
        text replaces its value from the measurement after the status reply
        that reported the fault, as on the monitor&apos;s page. At the end it prints
        a summary: polls, CRC errors, time-outs, exceptions, and the minimum,
        maximum and mean of each input.
        --csv FILE writes a row per poll for the spreadsheet of this system
        (UTF-8 with a byte-order mark; &quot;;&quot; between cells and &quot;,&quot; in numbers
        where the decimal separator is a comma; the time as a date-time;
        headings in your language): cells are empty where an input is in fault
        or absent, or the exchange failed. --csv-plain FILE writes the same for
        scripts (&quot;,&quot;, &quot;.&quot;, ISO time, ASCII headings). Rows are written as they
        come.
        --xlsx FILE writes an Excel workbook when the recording ends, however
        it ends: the values (on further sheets past Excel&apos;s limit of rows), a
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
        adapter&apos;s A and B to the bus&apos;s A and B and add no termination. Unless
        one speed and one parity are given it finds the line&apos;s speed by
        listening (the one at which the traffic forms frames with valid CRCs,
        however the adapter cuts the bytes into reads), then the parities that
        read the line: one where the adapter reports characters with a wrong
        parity, else what cannot be told apart. Stop bits cannot be heard: 1 or
        2. On a terminal a progress line says what is tried; a line whose
        settings change is noticed. It pairs each reply with its request, keeps
        for each slave what its replies carried (input registers 0-11 and 50-54
        or any part, coils 0-7 or part) and prints a line per reply with the
        monitor&apos;s own texts, each value once the registers it needs have been
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
</source>
        <translation>Запуск:
  orte-cli scan [ПОРТ...] [--baud СПИСОК] [--parity СПИСОК]
                [--stop-bits СПИСОК] [--address ДИАПАЗОН] [--all]
  orte-cli watch ПОРТ --baud N --parity P --stop-bits N --address A
                [--csv ФАЙЛ | --csv-plain ФАЙЛ] [--xlsx ФАЙЛ] [--force]
                [--interval МС] [--polls N]
  orte-cli listen ПОРТ [--baud СПИСОК] [--parity СПИСОК] [--stop-bits СПИСОК]
                [--address A] [--csv ФАЙЛ | --csv-plain ФАЙЛ] [--xlsx ФАЙЛ]
                [--force] [--stats]
  Любая команда принимает --trace: каждый посланный кадр и каждая принятая
  порция байтов со временем в мс — в поток ошибок.

scan    посылает запрос идентификации ОРТЕ-473 при всех сочетаниях скорости,
        чётности, стоп-битов и адреса (по умолчанию: одиннадцать скоростей
        монитора 1200..921600, none/even/odd, 1 и 2 стоп-бита, адреса 1-128,
        как в мониторе; сначала 9600 8N1 и 19200 8E1, затем от самой высокой
        скорости вниз) и выводит каждый найденный преобразователь: настройки,
        адрес, модель, версию ПО, заводской номер. Без ПОРТА перебирает все
        последовательные порты системы по очереди и называет порт в каждой
        строке. Останавливается на первом преобразователе, если не задан --all.
        Сообщает и о том, что ещё ответило: исключение Modbus, код модели не из
        таблицы, ответ с другого адреса (запоздавший), байты, не сложившиеся в
        кадр при каких-то настройках. В терминале строка хода показывает порт,
        текущую попытку и оставшееся время. Ctrl+C останавливает поиск.
watch   опознаёт преобразователь (три попытки; что ответило вместо него,
        сообщается), затем по очереди опрашивает измерения и состояние каждые
        --interval мс (по умолчанию 300; опоздавший опрос начинает период
        заново от себя) и выводит строку на каждый опрос с текстами самого
        монитора: текст ошибки входа заменяет его значение начиная с измерения
        после ответа о состоянии, сообщившего об ошибке, как на странице
        монитора. В конце выводит итог: опросы, ошибки CRC, тайм-ауты,
        исключения, минимум, максимум и среднее каждого входа.
        --csv ФАЙЛ записывает строку на каждый опрос для электронной таблицы
        этой системы (UTF-8 с меткой порядка байтов; &quot;;&quot; между ячейками и &quot;,&quot; в
        числах, если десятичный разделитель системы запятая; время как дата и
        время; заголовки на вашем языке): ячейки пусты, если вход в ошибке или
        отсутствует либо обмен не удался.
        --csv-plain ФАЙЛ записывает то же для программ (&quot;,&quot;, &quot;.&quot;, время ISO,
        заголовки ASCII). Строки записываются по мере опроса. --xlsx ФАЙЛ
        записывает книгу Excel по окончании записи, как бы она ни закончилась:
        значения (на следующих листах сверх предела строк Excel), график
        каждого входа по времени на своей оси, сведения о преобразователе и о
        записи. Каждый файл пишется под временным именем рядом и получает своё
        имя, когда в нём есть запись (CSV — с первой строкой): только тогда
        заменяется существующий файл, и только с --force. Ссылка ведёт к своему
        файлу; то, что не обычный файл (устройство, FIFO), не принимается. Если
        порт пропадёт, об этом сообщается в поток ошибок, и порт открывается
        заново на каждом опросе. --polls N останавливает после N опросов,
        Ctrl+C (или закрытие окна консоли) в любой момент.
listen  слушает шину, которую опрашивает другой ведущий (ПЛК, шлюз SCADA), не
        передавая ни байта: порт открывается только для чтения. Подключите A и
        B адаптера к A и B шины, терминатор не добавляйте. Если не заданы одна
        скорость и одна чётность, скорость линии находится прослушиванием (та,
        при которой обмен складывается в кадры с верной CRC, как бы адаптер ни
        резал байты на порции), затем — чётности, при которых линия читается:
        одна, если адаптер сообщает о символах с неверной чётностью, иначе те,
        что нельзя различить. Стоп-биты на слух не определить: 1 или 2. В
        терминале строка хода показывает, что пробуется; смена настроек линии
        замечается. Каждый ответ сопоставляется со своим запросом; для каждого
        ведомого запоминается всё, что несли его ответы (входные регистры 0-11
        и 50-54 или их часть, катушки 0-7 или часть), и на каждый ответ
        выводится строка с текстами самого монитора, каждое значение — как
        только прочитаны нужные ему регистры (и кадры, услышанные при поиске
        настроек), а также каждая запись. --address A — только этот ведомый;
        без него --csv, --csv-plain и --xlsx (они работают как в watch)
        записывают каждого услышанного ведомого, каждого в своей части.
        Ведомый, не ответивший на три запроса подряд, называется. В конце (и
        каждые 10 с с --stats) выводятся показатели шины: запросы по адресам,
        функциям и диапазонам (сначала самые частые), частота запросов, ответы,
        исключения, ошибки CRC, запросы без ответа и задержка ответа. Ctrl+C
        завершает прослушивание.

СПИСОК через запятую: --baud 9600,19200  --parity none,even,odd
--stop-bits 1,2
Скорости: стандартные от 50 до 921600. ДИАПАЗОН: A или A-B, в пределах 1-247
(Modbus; в мониторе 1-128): --address 1-32. Числа десятичные или
шестнадцатеричные с 0x.

Коды завершения:
  0    scan: преобразователь найден; watch: запись доведена до конца (--polls,
       Ctrl+C); listen: завершено по Ctrl+C
  1    преобразователь не найден (watch: не найден при заданных настройках)
  2    ошибка в аргументах, или файл нельзя записать, или он существует без
       --force
  3    порт не открывается или пропал (watch: и не вернулся; scan: и на других
       портах преобразователь не найден)
  4    watch: запись неполная (строку или книгу не удалось записать)
  130  scan: остановлен по Ctrl+C до того, как преобразователь найден
  141  стандартный вывод закрыт (читавшая его программа завершилась)

Примеры:
  orte-cli scan
  orte-cli scan COM3 --baud 9600,19200 --address 1-10 --all
  orte-cli watch COM3 --baud 19200 --parity even --stop-bits 1 --address 5
                --xlsx замер.xlsx
  orte-cli watch /dev/ttyUSB0 --baud 9600 --parity none --stop-bits 1
                --address 1 --csv замер.csv
  orte-cli listen COM3 --stats
</translation>
    </message>
    <message>
        <source>to record it: %1</source>
        <translation>записать: %1</translation>
    </message>
    <message>
        <source>to listen to it: %1</source>
        <translation>слушать: %1</translation>
    </message>
    <message>
        <source>second pass, full reply windows</source>
        <translation>второй проход, с полным ожиданием ответа</translation>
    </message>
    <message>
        <source>Refresh</source>
        <translation>Обновить</translation>
    </message>
    <message>
        <source>go on after the first converter</source>
        <translation>искать дальше после первого преобразователя</translation>
    </message>
    <message>
        <source>Start</source>
        <comment>button</comment>
        <translation>Старт</translation>
    </message>
    <message>
        <source>Stop</source>
        <comment>button</comment>
        <translation>Стоп</translation>
    </message>
    <message>
        <source>Record</source>
        <comment>a found converter</comment>
        <translation>Записать</translation>
    </message>
    <message>
        <source>Ports</source>
        <translation>Порты</translation>
    </message>
    <message>
        <source>Speeds</source>
        <translation>Скорости</translation>
    </message>
    <message>
        <source>Parity</source>
        <translation>Чётность</translation>
    </message>
    <message>
        <source>Stop bits</source>
        <translation>Стоп-биты</translation>
    </message>
    <message>
        <source>Addresses</source>
        <translation>Адреса</translation>
    </message>
    <message>
        <source>Model</source>
        <translation>Модель</translation>
    </message>
    <message>
        <source>Converters found</source>
        <translation>Найденные преобразователи</translation>
    </message>
    <message>
        <source>What else answered</source>
        <translation>Что ещё ответило</translation>
    </message>
    <message>
        <source>not a speed: %1</source>
        <translation>не скорость: %1</translation>
    </message>
    <message>
        <source>choose at least one port, speed, parity and stop bit count, and addresses from low to high</source>
        <translation>выберите хотя бы один порт, скорость, чётность и число стоп-битов, а адреса — от меньшего к большему</translation>
    </message>
    <message>
        <source>%1 %2 address %3</source>
        <translation>%1 %2 адрес %3</translation>
    </message>
    <message>
        <source>%1 %2 address %3: %4</source>
        <translation>%1 %2 адрес %3: %4</translation>
    </message>
    <message>
        <source>no converter found</source>
        <translation>преобразователь не найден</translation>
    </message>
    <message>
        <source>converters found: %1</source>
        <translation>найдено преобразователей: %1</translation>
    </message>
    <message>
        <source>any</source>
        <translation>любая</translation>
    </message>
    <message>
        <source>Speed</source>
        <translation>Скорость</translation>
    </message>
    <message>
        <source>Converter</source>
        <translation>Преобразователь</translation>
    </message>
    <message>
        <source>Replies</source>
        <translation>Ответов</translation>
    </message>
    <message>
        <source>Replies a minute</source>
        <translation>Ответов в минуту</translation>
    </message>
    <message>
        <source>recording address %1</source>
        <translation>записывается адрес %1</translation>
    </message>
    <message>
        <source>choose a port</source>
        <translation>выберите порт</translation>
    </message>
    <message>
        <source>does not answer</source>
        <translation>не отвечает</translation>
    </message>
    <message>
        <source> ms</source>
        <translation> мс</translation>
    </message>
    <message>
        <source>Period</source>
        <translation>Период</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Поиск</translation>
    </message>
    <message>
        <source>Record</source>
        <comment>the page</comment>
        <translation>Запись</translation>
    </message>
    <message>
        <source>Listen</source>
        <translation>Прослушивание</translation>
    </message>
    <message>
        <source>CSV</source>
        <translation>CSV</translation>
    </message>
    <message>
        <source>Workbook</source>
        <translation>Книга Excel</translation>
    </message>
    <message>
        <source>for a spreadsheet</source>
        <translation>для электронной таблицы</translation>
    </message>
    <message>
        <source>plain</source>
        <translation>простой</translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation>Файлы CSV (*.csv)</translation>
    </message>
    <message>
        <source>Excel workbooks (*.xlsx)</source>
        <translation>Книги Excel (*.xlsx)</translation>
    </message>
    <message>
        <source>Record to</source>
        <translation>Записать в</translation>
    </message>
    <message>
        <source>Open the folder</source>
        <translation>Открыть папку</translation>
    </message>
    <message>
        <source>Replies: %1; CRC errors: %2; time-outs: %3; exceptions: %4</source>
        <translation>Ответов: %1; ошибок CRC: %2; тайм-аутов: %3; исключений: %4</translation>
    </message>
    <message>
        <source>Nothing was recorded.</source>
        <translation>Ничего не записано.</translation>
    </message>
    <message>
        <source>Recorded: %1</source>
        <translation>Записано: %1</translation>
    </message>
    <message>
        <source>Cold junction %1</source>
        <translation>Холодный спай %1</translation>
    </message>
    <message>
        <source> (--force replaces it)</source>
        <translation> (--force заменит его)</translation>
    </message>
    <message>
        <source>it exists</source>
        <translation>файл существует</translation>
    </message>
    <message>
        <source>the CSV file and the workbook are one file: %1</source>
        <translation>файл CSV и книга — один и тот же файл: %1</translation>
    </message>
    <message>
        <source>%1 is not a recording made by orte-cli or the recorder</source>
        <translation>%1 — не запись orte-cli или самописца</translation>
    </message>
    <message>
        <source>cannot read %1: %2</source>
        <translation>не удаётся прочитать %1: %2</translation>
    </message>
    <message>
        <source>%1, line %2: not a row of a recording</source>
        <translation>%1, строка %2: не строка записи</translation>
    </message>
    <message>
        <source>cannot read %1: the workbook is damaged</source>
        <translation>не удаётся прочитать %1: книга повреждена</translation>
    </message>
    <message>
        <source>%1, sheet %2, row %3: not a row of a recording</source>
        <translation>%1, лист %2, строка %3: не строка записи</translation>
    </message>
    <message>
        <source>another port: a path or COMn</source>
        <translation>другой порт: путь или COMn</translation>
    </message>
    <message>
        <source>stopped after %1 of %2 tries</source>
        <translation>остановлен после %1 из %2 попыток</translation>
    </message>
    <message>
        <source>Opened recording</source>
        <translation>Открытая запись</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Файл</translation>
    </message>
    <message>
        <source>&amp;Open a recording…</source>
        <translation>&amp;Открыть запись…</translation>
    </message>
    <message>
        <source>Open a recording</source>
        <translation>Открыть запись</translation>
    </message>
    <message>
        <source>Recordings (*.xlsx *.csv);;All files (*)</source>
        <translation>Записи (*.xlsx *.csv);;Все файлы (*)</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>&amp;Выход</translation>
    </message>
    <message>
        <source>Follow</source>
        <translation>Следить</translation>
    </message>
    <message>
        <source>Cold junction</source>
        <translation>Холодный спай</translation>
    </message>
    <message>
        <source>whole run</source>
        <translation>весь запуск</translation>
    </message>
    <message>
        <source>last %1 min</source>
        <translation>последние %1 мин</translation>
    </message>
    <message>
        <source>Wheel: zoom the time (Ctrl: the values); drag: zoom to a rectangle; right button: pan; double click: the whole run; Ctrl+click: a marker</source>
        <translation>Колесо: масштаб по времени (с Ctrl — по значениям); протянуть: увеличить прямоугольник; правая кнопка: сдвиг; двойной щелчок: весь запуск; Ctrl+щелчок: метка</translation>
    </message>
    <message>
        <source>Follow the newest values again</source>
        <translation>Снова следить за новыми значениями</translation>
    </message>
    <message>
        <source>Save picture…</source>
        <translation>Сохранить изображение…</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Копировать</translation>
    </message>
    <message>
        <source>Copy the chart&apos;s picture to the clipboard</source>
        <translation>Копировать изображение графика в буфер обмена</translation>
    </message>
    <message>
        <source>View</source>
        <translation>Вид</translation>
    </message>
    <message>
        <source>Save the chart</source>
        <translation>Сохранить график</translation>
    </message>
    <message>
        <source>PNG pictures (*.png)</source>
        <translation>Изображения PNG (*.png)</translation>
    </message>
    <message>
        <source>cannot write %1</source>
        <translation>не удаётся записать %1</translation>
    </message>
    <message>
        <source> (choose it with «…» and agree to replace it)</source>
        <translation> (выберите его кнопкой «…» и согласитесь заменить)</translation>
    </message>
    <message>
        <source>%1: begins</source>
        <translation>%1: начало</translation>
    </message>
    <message>
        <source>%1: ends</source>
        <translation>%1: конец</translation>
    </message>
    <message>
        <source>model %1</source>
        <translation>модель %1</translation>
    </message>
    <message>
        <source>serial number %1</source>
        <translation>заводской номер %1</translation>
    </message>
    <message>
        <source>Cold junction, °C</source>
        <translation>Холодный спай, °C</translation>
    </message>
    <message>
        <source>No link</source>
        <translation>Нет связи</translation>
    </message>
    <message>
        <source>no link</source>
        <translation>нет связи</translation>
    </message>
    <message>
        <source>fault</source>
        <translation>неисправность</translation>
    </message>
    <message>
        <source>no value</source>
        <translation>нет значения</translation>
    </message>
    <message>
        <source>Marker %1: %2</source>
        <translation>Метка %1: %2</translation>
    </message>
    <message>
        <source>Marker %1 − marker %2: %3</source>
        <translation>Метка %1 − метка %2: %3</translation>
    </message>
    <message>
        <source>Fault, in. 1</source>
        <translation>Ошибка вх. 1</translation>
    </message>
    <message>
        <source>Fault, in. 2</source>
        <translation>Ошибка вх. 2</translation>
    </message>
    <message>
        <source>Setpoint</source>
        <translation>Уставка</translation>
    </message>
    <message>
        <source>CJ %1</source>
        <translation>ХС %1</translation>
    </message>
    <message>
        <source>bad --reply-ms &apos;%1&apos; (10 to 60000)</source>
        <translation>неверное значение --reply-ms &apos;%1&apos; (от 10 до 60000)</translation>
    </message>
    <message>
        <source>--reply-ms is for a port over the network (tcp://, rtu+tcp://)</source>
        <translation>--reply-ms — для порта по сети (tcp://, rtu+tcp://)</translation>
    </message>
    <message>
        <source>bad --mqtt: %1</source>
        <translation>неверный --mqtt: %1</translation>
    </message>
    <message>
        <source>bad --rotate &apos;%1&apos; (daily, hourly)</source>
        <translation>неверный --rotate «%1» (daily, hourly)</translation>
    </message>
    <message>
        <source>--rotate goes with --csv, --csv-plain or --xlsx</source>
        <translation>--rotate указывается с --csv, --csv-plain или --xlsx</translation>
    </message>
    <message>
        <source>a Modbus TCP server forwards no other master&apos;s traffic: listen to rtu+tcp://HOST:PORT</source>
        <translation>сервер Modbus TCP не передаёт обмен другого ведущего: слушайте rtu+tcp://УЗЕЛ:ПОРТ</translation>
    </message>
    <message>
        <source>watch needs --address</source>
        <translation>для watch нужен --address</translation>
    </message>
    <message>
        <source>%1 MQTT messages did not reach the broker (%2 dropped while it was away)</source>
        <translation>сообщений MQTT, не дошедших до брокера: %1 (отброшено, пока его не было: %2)</translation>
    </message>
    <message>
        <source>to record them all: %1</source>
        <translation>записать все: %1</translation>
    </message>
    <message>
        <source>address %1 stopped answering; asking it again every %2 s</source>
        <translation>адрес %1 перестал отвечать; повторный запрос каждые %2 с</translation>
    </message>
    <message>
        <source>address %1: </source>
        <translation>адрес %1: </translation>
    </message>
    <message>
        <source>Address %1:</source>
        <translation>Адрес %1:</translation>
    </message>
    <message>
        <source>no connection within %1 s</source>
        <translation>нет соединения за %1 с</translation>
    </message>
    <message>
        <source>the broker is given as mqtt://[USER[:PASSWORD]@]HOST[:PORT]/PREFIX</source>
        <translation>брокер задаётся так: mqtt://[ПОЛЬЗОВАТЕЛЬ[:ПАРОЛЬ]@]УЗЕЛ[:ПОРТ]/ПРЕФИКС</translation>
    </message>
    <message>
        <source>cannot make an MQTT client</source>
        <translation>не удаётся создать клиента MQTT</translation>
    </message>
    <message>
        <source>the MQTT broker %1 cannot be reached (%2); its messages are kept and it is tried again</source>
        <translation>брокер MQTT %1 недоступен (%2); сообщения для него сохраняются, подключение повторяется</translation>
    </message>
    <message>
        <source>the MQTT broker %1 refused the connection; its messages are kept</source>
        <translation>брокер MQTT %1 отказал в подключении; сообщения для него сохраняются</translation>
    </message>
    <message>
        <source>the MQTT broker %1 is reached</source>
        <translation>брокер MQTT %1 снова доступен</translation>
    </message>
    <message>
        <source>the MQTT broker %1 is away; its messages are kept (up to %2) and it is tried again</source>
        <translation>брокер MQTT %1 недоступен; сообщения для него сохраняются (до %2), подключение повторяется</translation>
    </message>
    <message>
        <source>; the recording goes on without it</source>
        <translation>; запись продолжается без него</translation>
    </message>
    <message>
        <source>Chart %1</source>
        <translation>График %1</translation>
    </message>
    <message>
        <source>Converter %1</source>
        <translation>Преобразователь %1</translation>
    </message>
    <message>
        <source>Values %1</source>
        <translation>Значения %1</translation>
    </message>
    <message>
        <source>%1 is not HOST[:PORT] after the scheme</source>
        <translation>%1: после схемы должно быть УЗЕЛ[:ПОРТ]</translation>
    </message>
    <message>
        <source>%1 names no TCP port (rtu+tcp://HOST:PORT)</source>
        <translation>%1: не указан порт TCP (rtu+tcp://УЗЕЛ:ПОРТ)</translation>
    </message>
    <message>
        <source>%1: port 0 cannot be reached</source>
        <translation>%1: порт 0 недоступен</translation>
    </message>
    <message>
        <source>any</source>
        <comment>address</comment>
        <translation>любой</translation>
    </message>
    <message>
        <source>An address, or several: 1,5,7 or 1-4</source>
        <translation>Адрес или несколько: 1,5,7 или 1-4</translation>
    </message>
    <message>
        <source>not a list of addresses from 1 to 247: %1</source>
        <translation>это не список адресов от 1 до 247: %1</translation>
    </message>
    <message>
        <source>Record all</source>
        <comment>the converters found on a line</comment>
        <translation>Записать все</translation>
    </message>
    <message>
        <source>Record every converter found on the chosen converter&apos;s line together</source>
        <translation>Записать вместе все преобразователи, найденные на линии выбранного</translation>
    </message>
    <message>
        <source>&amp;MQTT broker…</source>
        <translation>&amp;Брокер MQTT…</translation>
    </message>
    <message>
        <source>MQTT broker</source>
        <translation>Брокер MQTT</translation>
    </message>
    <message>
        <source>Each poll of Record and Listen goes to the broker as well, as JSON on PREFIX/SERIAL/state. Empty: no broker. The password is kept until the program ends, never stored.</source>
        <translation>Каждый опрос страниц «Запись» и «Прослушивание» уходит и брокеру, в JSON в PREFIX/SERIAL/state. Пусто: без брокера. Пароль хранится до закрытия программы и нигде не сохраняется.</translation>
    </message>
    <message>
        <source>Broker</source>
        <translation>Брокер</translation>
    </message>
    <message>
        <source>Password</source>
        <translation>Пароль</translation>
    </message>
    <message>
        <source>cannot write the screenshot %1</source>
        <translation>не удаётся записать снимок %1</translation>
    </message>
    <message>
        <source>Screenshot: %1</source>
        <translation>Снимок: %1</translation>
    </message>
    <message>
        <source>--seconds takes a whole number of 1 or more</source>
        <translation>--seconds — целое число, не меньше 1</translation>
    </message>
    <message>
        <source>--searches takes a whole number of 1 or more</source>
        <translation>--searches — целое число, не меньше 1</translation>
    </message>
    <message>
        <source>no such port: %1</source>
        <translation>нет такого порта: %1</translation>
    </message>
    <message>
        <source>the simulator did not start (%1)</source>
        <translation>имитатор не запустился (%1)</translation>
    </message>
    <message>
        <source>cannot make the screenshot folder %1</source>
        <translation>не удаётся создать папку для снимков %1</translation>
    </message>
    <message>
        <source>the simulated converter (orte-sim) is a Linux program and cannot run here: give --port COMn for a converter on an adapter, or for a simulator running on a Linux machine at the other end of a null-modem cable</source>
        <translation>имитатор преобразователя (orte-sim) — программа для Linux и здесь не запускается: укажите --port COMn — порт преобразователя на адаптере или имитатора на машине с Linux на другом конце нуль-модемного кабеля</translation>
    </message>
    <message>
        <source>Simulated converter on %1</source>
        <translation>Имитатор преобразователя на %1</translation>
    </message>
    <message>
        <source>Simulated converter on %1, playing %2</source>
        <translation>Имитатор преобразователя на %1, сценарий %2</translation>
    </message>
    <message>
        <source>the window offers no speed %1 (%2)</source>
        <translation>в окне нет скорости %1 (%2)</translation>
    </message>
    <message>
        <source>Press Enter to close this window.</source>
        <translation>Нажмите Enter, чтобы закрыть окно.</translation>
    </message>
</context>
</TS>
