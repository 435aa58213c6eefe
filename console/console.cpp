#include "console/console.h"

#include <QCoreApplication>
#include <QString>

#include <QTextCodec>
#include <algorithm>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <langinfo.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace orte_console {

console_device::console_device(std::FILE *f)
    : file(f)
{
#ifdef _WIN32
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(f)));
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode))
        console = handle;
#else
    // The C library's word for it: Qt takes every Linux locale for UTF-8. The "C" locale's
    // ASCII holds no Cyrillic at all: UTF-8 there, as before.
    const QByteArray codeset = nl_langinfo(CODESET);
    QTextCodec *locale_codec = QTextCodec::codecForName(codeset);
    if (locale_codec && locale_codec->mibEnum() != 106 // 106: UTF-8
        && codeset != "ANSI_X3.4-1968" && codeset != "ASCII")
        codec = locale_codec;
#endif
    terminal = is_terminal(f);
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

console_device::~console_device()
{
    if (!held.isEmpty())
        put(held);
}

qint64 console_device::writeData(const char *data, qint64 size)
{
    // The text stream hands over whole characters.
    const QString text = QString::fromUtf8(data, int(size));
    if (terminal) {
        held += text;
        return put(take_lines(held, terminal_width(file))) ? size : -1;
    }
    return put(text) ? size : -1;
}

bool console_device::put(const QString &text)
{
    if (text.isEmpty())
        return true;
#ifdef _WIN32
    if (console) {
        DWORD written = 0;
        return WriteConsoleW(console, reinterpret_cast<const wchar_t *>(text.utf16()),
                             DWORD(text.size()), &written, nullptr);
    }
#endif
    // A terminal under a locale in another encoding (ru_RU.CP1251, KOI8-R) reads its own.
    const QByteArray bytes = codec ? codec->fromUnicode(text) : text.toUtf8();
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file) == size_t(bytes.size())
        && std::fflush(file) == 0;
}

int terminal_width(std::FILE *file)
{
#ifdef _WIN32
    CONSOLE_SCREEN_BUFFER_INFO info;
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(handle, &info))
        return 0;
    return info.dwSize.X;
#else
    winsize size {};
    if (ioctl(fileno(file), TIOCGWINSZ, &size) != 0)
        return 0;
    return size.ws_col;
#endif
}

QString wrap_line(const QString &line, int width)
{
    // What a carriage return redraws, and the escape code after it, are not measured.
    const QLatin1String erase("\033[K");
    int from = line.lastIndexOf(QLatin1Char('\r')) + 1;
    if (QStringView(line).mid(from).startsWith(erase))
        from += erase.size();
    const QString head = line.left(from);
    QString rest = line.mid(from);
    const int limit = width - 1;
    if (width <= 0 || rest.size() <= limit)
        return line;
    const bool command = rest.contains(QLatin1String("orte-cli "));
#ifdef _WIN32
    const QString mark = command ? QStringLiteral(" ^") : QString();
#else
    const QString mark = command ? QStringLiteral(" \\") : QString();
#endif
    int leading = 0;
    while (leading < rest.size() && rest[leading] == QLatin1Char(' '))
        ++leading;
    // Continued lines stand a little further in than the line they go on from.
    const int indent = std::min(leading + 4, limit / 3);
    QStringList lines;
    int pad = 0; // the indent of the line being made
    while (pad + rest.size() > limit) {
        const int room = std::max(1, limit - pad - int(mark.size()));
        // A break at a single space: the converter's own double spaces stay whole.
        int cut = rest.lastIndexOf(QLatin1Char(' '), room);
        while (cut > 0
               && (rest[cut - 1] == QLatin1Char(' ')
                   || (cut + 1 < rest.size() && rest[cut + 1] == QLatin1Char(' '))))
            cut = rest.lastIndexOf(QLatin1Char(' '), cut - 1);
        const bool at_space = cut > (lines.isEmpty() ? leading : 0);
        if (!at_space)
            cut = room; // a word longer than a line: cut where the line ends
        lines << QString(pad, QLatin1Char(' ')) + rest.left(cut) + mark;
        rest = rest.mid(at_space ? cut + 1 : cut);
        pad = at_space ? indent : 0;
    }
    lines << QString(pad, QLatin1Char(' ')) + rest;
    return head + lines.join(QLatin1Char('\n'));
}

QString take_lines(QString &held, int width)
{
    QString ready;
    for (int end = held.indexOf(QLatin1Char('\n')); end >= 0;
         end = held.indexOf(QLatin1Char('\n'))) {
        ready += wrap_line(held.left(end), width) + QLatin1Char('\n');
        held.remove(0, end + 1);
    }
    // A progress line is fitted before it comes, and goes at once.
    if (held.contains(QLatin1Char('\r'))) {
        ready += held;
        held.clear();
    }
    return ready;
}

QString fit_parts(const QStringList &parts, int width)
{
    const QString gap = QStringLiteral("  ");
    QString fitted = parts.value(0);
    for (int i = 1; i < parts.size(); ++i) {
        if (parts[i].isEmpty())
            continue;
        const QString longer = fitted + gap + parts[i];
        if (width > 0 && longer.size() > width - 1)
            break;
        fitted = longer;
    }
    if (width > 1 && fitted.size() > width - 1)
        fitted = fitted.left(width - 2) + QStringLiteral("…");
    return fitted;
}

console::console(std::FILE *file)
    : device(file)
    , text(&device)
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    text.setCodec("UTF-8");
#else
    text.setEncoding(QStringConverter::Utf8);
#endif
}

QTextStream &standard_output()
{
    static console stream(stdout);
    return stream.stream();
}

QTextStream &standard_error()
{
    static console stream(stderr);
    return stream.stream();
}

namespace {
// Alone on a console window that was opened for it; never elsewhere.
bool console_of_its_own()
{
#ifdef _WIN32
    DWORD processes[2];
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    // Alone on its console, and Enter can be read from it.
    return GetConsoleWindow() != nullptr && GetConsoleProcessList(processes, 2) == 1
        && input != INVALID_HANDLE_VALUE && GetConsoleMode(input, &mode);
#else
    return false;
#endif
}
} // namespace

int keep_window_until_enter(int argc, int code)
{
    if (argc != 1 || !console_of_its_own())
        return code;
    standard_output() << '\n'
                      << QCoreApplication::translate("text", "Press Enter to close this window.")
                      << '\n'
                      << Qt::flush;
    for (int c = std::getchar(); c != EOF && c != '\n';)
        c = std::getchar();
    return code;
}

bool is_terminal(std::FILE *file)
{
#ifdef _WIN32
    return _isatty(_fileno(file)) != 0;
#else
    return isatty(fileno(file)) != 0;
#endif
}

bool takes_escape_codes(std::FILE *file)
{
#ifdef _WIN32
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode))
        return false;
#ifndef ENABLE_VIRTUAL_TERMINAL_PROCESSING
#define ENABLE_VIRTUAL_TERMINAL_PROCESSING 0x0004
#endif
    return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING)
        || SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
#else
    return is_terminal(file);
#endif
}

QString redraw(const QString &text, int shown, bool escape_codes)
{
    if (escape_codes)
        return QStringLiteral("\r\033[K") + text;
    const int spaces = std::max(0, shown - int(text.size()));
    // The spaces blank the rest of the longer line; the cursor goes back after them.
    return QLatin1Char('\r') + text + QString(spaces, QLatin1Char(' '))
        + (spaces > 0 ? QLatin1Char('\r') + text : QString());
}

progress_line::progress_line(QTextStream *o, bool escape_codes, std::function<int()> w)
    : out(o)
    , escapes(escape_codes)
    , width(std::move(w))
{
}

void progress_line::show(const QStringList &parts)
{
    const QString text
        = parts.join(QString()).isEmpty() ? QString() : fit_parts(parts, width ? width() : 0);
    if (!out || (text.isEmpty() && shown == 0))
        return;
    *out << redraw(text, shown, escapes) << Qt::flush;
    shown = int(text.size());
}

} // namespace orte_console
