#include "app/app_identity.h"
#include "app/mainwindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    orte::prepare_application();
    QApplication app(argc, argv);
    orte::set_app_identity();
    MainWindow window;
    window.show();
    return app.exec();
}
