<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>text</name>
    <message>
        <source>Refresh</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>none</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>even</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>odd</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>go on after the first converter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Start</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record</source>
        <comment>a found converter</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Ports</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Speeds</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Parity</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Stop bits</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Addresses</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Port</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Settings</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Address</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Model</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Firmware</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Converters found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>What else answered</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>not a speed: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>choose at least one port, speed, parity and stop bit count, and addresses from low to high</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2 address %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>about %1 left</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 %2 address %3: %4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>something answers at %1 but not as a converter (bytes that never formed a frame)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>cannot open %1: %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the port %1 has gone</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>stopped</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no converter found</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>converters found: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>any</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Speed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Converter</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replies</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replies a minute</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>recording address %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>choose a port</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>listening at %1 baud, parity %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no traffic forms frames at any setting yet; listening on</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>line settings found: %1 baud, %2, 1 or 2 stop bits (%3 frames, %4 CRC errors)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the traffic no longer forms frames at %1: finding the line&apos;s settings again</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>does not answer</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Requests: %1 (%2 a second); replies: %3; exceptions: %4; CRC errors: %5; unanswered: %6</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reply latency: median %1 ms, maximum %2 ms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> ms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Period</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>no converter at %1 address %2: %3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>nothing answered</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the port %1 has gone; reopening it every %2 ms</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the port %1 is back</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record</source>
        <comment>the page</comment>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Listen</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CSV</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Workbook</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>for a spreadsheet</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>plain</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CSV files (*.csv)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Excel workbooks (*.xlsx)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Record to</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open the folder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Replies: %1; CRC errors: %2; time-outs: %3; exceptions: %4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input %1: minimum %2, maximum %3, mean %4 (%5 values)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Nothing was recorded.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Recorded: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Time</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Input %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Cold junction %1</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
