#include "log/file_safety.h"

#include <QDir>
#include <QStandardPaths>

#include <clocale>
#include <csignal>

#ifdef _WIN32
#include <windows.h>
#endif

namespace orte {

void keep_files_independent_of_locale_and_limits()
{
    std::setlocale(LC_NUMERIC, "C");
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

QString documents_folder()
{
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    return QDir(documents).filePath(QString::fromUtf8("ОРТЕ-473"));
}

QString go_to_documents_when_started_from_a_shortcut()
{
#ifdef _WIN32
    STARTUPINFOW start {};
    start.cb = sizeof start;
    GetStartupInfoW(&start);
#ifndef STARTF_TITLEISLINKNAME
#define STARTF_TITLEISLINKNAME 0x00000800
#endif
    if (!(start.dwFlags & STARTF_TITLEISLINKNAME))
        return QString();
    const QString folder = documents_folder();
    if (!QDir().mkpath(folder) || !QDir::setCurrent(folder))
        return QString();
    return folder;
#else
    return QString();
#endif
}

} // namespace orte
