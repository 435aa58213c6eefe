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
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    // 125 % stays 1.25 rather than rounding down to no scaling at all.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(
        Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
}

void set_app_identity()
{
    init_icon_resource();
    QCoreApplication::setApplicationName(QString::fromLatin1(app_name));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(desktop_file_name));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/orte-monitor.png")));
}

} // namespace orte
