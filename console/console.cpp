#include "console/console.h"

#include <QString>

#include <QTextCodec>
#include <algorithm>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <langinfo.h>
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
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 console_device::writeData(const char *data, qint64 size)
{
#ifdef _WIN32
    if (console) {
        // The text stream hands over whole characters: the UTF-8 converts as it is.
        const QString text = QString::fromUtf8(data, int(size));
        DWORD written = 0;
        if (!WriteConsoleW(console, reinterpret_cast<const wchar_t *>(text.utf16()),
                           DWORD(text.size()), &written, nullptr))
            return -1;
        return size;
    }
#else
    // A terminal under a locale in another encoding (ru_RU.CP1251, KOI8-R) reads its own.
    if (codec) {
        const QByteArray local = codec->fromUnicode(QString::fromUtf8(data, int(size)));
        if (std::fwrite(local.constData(), 1, size_t(local.size()), file) != size_t(local.size())
            || std::fflush(file) != 0)
            return -1;
        return size;
    }
#endif
    if (std::fwrite(data, 1, size_t(size), file) != size_t(size) || std::fflush(file) != 0)
        return -1;
    return size;
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

progress_line::progress_line(QTextStream *o, bool escape_codes)
    : out(o)
    , escapes(escape_codes)
{
}

void progress_line::show(const QString &text)
{
    if (!out || (text.isEmpty() && shown == 0))
        return;
    *out << redraw(text, shown, escapes) << Qt::flush;
    shown = int(text.size());
}

} // namespace orte_console
