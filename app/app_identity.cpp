#include "app/app_identity.h"

#include <QApplication>
#include <QIcon>

// The icon lives in the static library, so its resource is registered by hand (and outside any
// namespace, as the macro requires).
static void init_icon_resource()
{
    Q_INIT_RESOURCE(icons);
}

namespace orte {

void prepare_application()
{
#ifdef Q_OS_WIN
    // Windows scales in steps of 25 %; 125 % stays 1.25 rather than rounding down to no
    // scaling at all. Elsewhere the display's DPI may be any number (the offscreen platform
    // says 100), and a window scaled by 1.04 helps nobody: it stays as it is.
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling); // always on in Qt 6
#endif
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
#endif
}

void set_app_identity()
{
    init_icon_resource();
    QCoreApplication::setApplicationName(QString::fromLatin1(app_name));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(desktop_file_name));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/orte-monitor.png")));
}

} // namespace orte
