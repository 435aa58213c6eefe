// The Qt floor the monitor is measured against: one label and a precise 300 ms timer, as little
// as a Qt Widgets program polling every 300 ms can cost; with an argument the label changes
// each time, as the monitor's labels may.

#include <QApplication>
#include <QLabel>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const bool changing = argc > 1;
    QLabel label(QStringLiteral("0"));
    label.show();
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    int n = 0;
    QObject::connect(&timer, &QTimer::timeout,
                     [&] { label.setText(QString::number(changing ? ++n : 0)); });
    timer.start(300);
    return app.exec();
}
