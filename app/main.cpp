#include "app/app_identity.h"
#include "app/mainwindow.h"
#include "log/file_safety.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    orte::prepare_application();
    QApplication app(argc, argv);
    orte::keep_files_independent_of_locale_and_limits();
    orte::set_app_identity();
    // From a Start-menu shortcut the log goes to the user's Documents\ОРТЕ-473.
    orte::go_to_documents_when_started_from_a_shortcut();
    MainWindow window;
    window.show();
    return app.exec();
}
