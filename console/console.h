#pragma once

// orte-cli's standard output and error as any console shows them: a Windows console through
// its wide-character interface, whatever its code page; elsewhere in the locale's encoding
// (UTF-8 on most systems); a file or a pipe on Windows in UTF-8.

#include <QIODevice>
#include <QTextCodec>
#include <QTextStream>

#include <cstdio>
#include <functional>

namespace orte_console {

// The width of the terminal on `file` in characters (a Windows console: its buffer's), or 0
// where it is not a terminal or cannot say.
int terminal_width(std::FILE *file);

// One line for a terminal `width` characters wide: broken at spaces into lines shorter than the
// width (a Windows console moves to the next line after its last column), the lines after the
// first indented. A command to copy (one that holds "orte-cli ") goes on with the shell's mark
// at each break (" \", on Windows " ^"), so that it still pastes whole. What a carriage return
// redraws is measured from it; `width` 0: as it is.
QString wrap_line(const QString &line, int width);

// What of `held` goes to a terminal `width` characters wide now: each whole line wrapped, and a
// progress line (it holds a carriage return) as it is; a line not ended yet stays held.
QString take_lines(QString &held, int width);

// A progress line's parts, most important first, in `width` characters less one: the least
// important parts dropped first, the first cut short ("…") when it alone is too long; `width`
// 0: every part. Parts are joined by two spaces.
QString fit_parts(const QStringList &parts, int width);

class console_device : public QIODevice
{
public:
    explicit console_device(std::FILE *file);
    ~console_device() override;
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override;

private:
    bool put(const QString &text);
    std::FILE *file;
    bool terminal = false;
    QString held; // a line not ended yet, on a terminal
    void *console = nullptr; // the console's handle, when the stream is one (Windows)
    QTextCodec *codec = nullptr; // the locale's encoding, where it is not UTF-8 (elsewhere)
};

// A text stream over `file` that writes as above.
class console
{
public:
    explicit console(std::FILE *file);
    QTextStream &stream() { return text; }

private:
    console_device device;
    QTextStream text;
};

// The program's standard output and error as above, made on first use: for the window
// programs that also write to a console (orte-demo, orte-recorder --headless).
QTextStream &standard_output();
QTextStream &standard_error();

// A program's end: started with no arguments on a console window of its own (Windows: opened
// for it, as by a double click in Explorer, not from a console), it asks for Enter (or waits
// for the end of the input) before the window closes, so that what it said can be read.
// Passes `code` on.
int keep_window_until_enter(int argc, int code);

// Whether the stream is a terminal (for the progress line).
bool is_terminal(std::FILE *file);

// Whether the terminal on `file` takes escape codes: a POSIX terminal does; a Windows console
// does once virtual-terminal processing is on, which this turns on where the console offers
// it (Windows 10 and later; Windows 7's console has none).
bool takes_escape_codes(std::FILE *file);

// What redraws a progress line in place: with escape codes, a carriage return and "erase to
// the end of the line"; without, a carriage return, the text, and spaces over what remains of
// a longer line before it (`shown`: the length of what the line shows now).
QString redraw(const QString &text, int shown, bool escape_codes);

// A progress line on a terminal, redrawn in place; nothing when there is no terminal.
class progress_line
{
public:
    // `out`: the terminal's stream, or null for none.
    // `width`: the terminal's width now (0: unknown).
    progress_line(QTextStream *out, bool escape_codes, std::function<int()> width = {});
    void show(const QString &text) { show(QStringList { text }); }
    // The parts that fit the terminal, most important first (see fit_parts).
    void show(const QStringList &parts);
    void clear() { show(QString()); }
    explicit operator bool() const { return out != nullptr; }

private:
    QTextStream *out;
    bool escapes;
    std::function<int()> width;
    int shown = 0;
};

} // namespace orte_console
