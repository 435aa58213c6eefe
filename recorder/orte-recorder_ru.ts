<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>text</name>
    <message>
        <source>Refresh</source>
        <translation>Обновить</translation>
    </message>
    <message>
        <source>none</source>
        <translation>нет</translation>
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
        <source>Model</source>
        <translation>Модель</translation>
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
        <source>about %1 left</source>
        <translation>осталось около %1</translation>
    </message>
    <message>
        <source>%1 %2 address %3: %4</source>
        <translation>%1 %2 адрес %3: %4</translation>
    </message>
    <message>
        <source>something answers at %1 but not as a converter (bytes that never formed a frame)</source>
        <translation>при %1 что-то отвечает, но не как преобразователь (байты, не сложившиеся в кадр)</translation>
    </message>
    <message>
        <source>cannot open %1: %2</source>
        <translation>не удалось открыть %1: %2</translation>
    </message>
    <message>
        <source>the port %1 has gone</source>
        <translation>порт %1 пропал</translation>
    </message>
    <message>
        <source>stopped</source>
        <translation>остановлено</translation>
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
        <source>listening at %1 baud, parity %2</source>
        <translation>слушаю на %1 бод, чётность: %2</translation>
    </message>
    <message>
        <source>no traffic forms frames at any setting yet; listening on</source>
        <translation>обмен пока не складывается в кадры ни при каких настройках; слушаю дальше</translation>
    </message>
    <message>
        <source>line settings found: %1 baud, %2, 1 or 2 stop bits (%3 frames, %4 CRC errors)</source>
        <translation>настройки линии найдены: %1 бод, %2, 1 или 2 стоп-бита (кадров: %3, ошибок CRC: %4)</translation>
    </message>
    <message>
        <source>the traffic no longer forms frames at %1: finding the line&apos;s settings again</source>
        <translation>обмен больше не складывается в кадры при %1: ищу настройки линии заново</translation>
    </message>
    <message>
        <source>does not answer</source>
        <translation>не отвечает</translation>
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
        <source> ms</source>
        <translation> мс</translation>
    </message>
    <message>
        <source>Period</source>
        <translation>Период</translation>
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
        <source>the port %1 has gone; reopening it every %2 ms</source>
        <translation>порт %1 пропал; открываю его заново каждые %2 мс</translation>
    </message>
    <message>
        <source>the port %1 is back</source>
        <translation>порт %1 снова доступен</translation>
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
        <source>Input %1: minimum %2, maximum %3, mean %4 (%5 values)</source>
        <translation>Вход %1: минимум %2, максимум %3, среднее %4 (значений: %5)</translation>
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
        <source>Time</source>
        <translation>Время</translation>
    </message>
    <message>
        <source>Input %1</source>
        <translation>Вход %1</translation>
    </message>
    <message>
        <source>Cold junction %1</source>
        <translation>Холодный спай %1</translation>
    </message>
    <message>
        <source>second pass, full reply windows</source>
        <translation>второй проход, с полным ожиданием ответа</translation>
    </message>
</context>
</TS>
