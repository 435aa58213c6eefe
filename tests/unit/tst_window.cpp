#include "app/app_identity.h"
#include "app/mainwindow.h"
#include "link/port_list.h"

#include <QtTest>

#include "fixed_texts.h"
#include "widgets.h"
#include "wine.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

QString widget_text(QWidget *w)
{
    if (auto *label = qobject_cast<QLabel *>(w))
        return label->text();
    if (auto *button = qobject_cast<QAbstractButton *>(w))
        return button->text();
    return QStringLiteral("<no text>");
}

QStringList combo_items(const QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items.append(box->itemText(i));
    return items;
}

QStringList layout_names(const QLayout *layout)
{
    QStringList names;
    for (int i = 0; i < layout->count(); ++i) {
        QLayoutItem *item = layout->itemAt(i);
        names.append(item->widget() ? item->widget()->objectName() : QStringLiteral("<spacer>"));
    }
    return names;
}

const QString search_hint = QString::fromUtf8(texts::search_hint);
} // namespace

class tst_window : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        orte::set_port_lister([] { return QStringList { "ttyTEST0", "ttyTEST1" }; });
    }
    void cleanup() { orte::set_port_lister({}); }

    void slots_and_meta_object();
    void window_itself();
    void widgets_data();
    void widgets();
    void settings_column_order();
    void result_lines_order();
    void choice_lists();
    void fixed_geometry_on_monitoring_page();
    void start_up_state();
    void empty_port_list();
    void recall_refreshes_the_list();
    void port_that_cannot_be_opened();
    void icon_and_desktop_identity();
};

void tst_window::slots_and_meta_object()
{
    MainWindow window;
    const QMetaObject *meta = window.metaObject();
    QCOMPARE(QString::fromLatin1(meta->className()), QStringLiteral("MainWindow"));
    QCOMPARE(window.qt_metacast("MainWindow"), static_cast<void *>(&window));
    QCOMPARE(meta->propertyCount(), meta->propertyOffset());
    QStringList own;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod m = meta->method(i);
        QCOMPARE(m.methodType(), QMetaMethod::Slot);
        QCOMPARE(m.access(), QMetaMethod::Public);
        QCOMPARE(m.parameterCount(), 0);
        own.append(QString::fromLatin1(m.name()));
    }
    QCOMPARE(own,
             QStringList({ "butoon_start_click", "butoon_recall_click", "butoon_stop_click",
                           "routine_timer", "routine_timer_prm", "prm_rs" }));
}

void tst_window::window_itself()
{
    MainWindow window;
    QCOMPARE(window.objectName(), QStringLiteral("MainWindow"));
    QCOMPARE(window.windowTitle(), QString::fromUtf8("Монитор ОРТЕ-473"));
    QCOMPARE(window.size(), QSize(1029, 629));
    QCOMPARE(window.font().pointSize(), 12);
    QVERIFY(window.testAttribute(Qt::WA_SetFont));
    QCOMPARE(window.centralWidget(), find_widget(window, "centralwidget"));
    QCOMPARE(window.menuBar(), find_widget<QMenuBar>(window, "menubar"));
    QVERIFY(window.menuBar()->actions().isEmpty());
    QCOMPARE(window.statusBar(), find_widget<QStatusBar>(window, "statusbar"));
    QVERIFY(window.statusBar()->currentMessage().isEmpty());
    auto *h = qobject_cast<QHBoxLayout *>(find_widget(window, "centralwidget")->layout());
    QVERIFY(h);
    QCOMPARE(h->objectName(), QStringLiteral("horizontalLayout"));
    QCOMPARE(layout_names(h), QStringList { "stackedWidget" });
    auto *stack = find_widget<QStackedWidget>(window, "stackedWidget");
    QCOMPARE(stack->count(), 2);
    QCOMPARE(stack->widget(0)->objectName(), QStringLiteral("page"));
    QCOMPARE(stack->widget(1)->objectName(), QStringLiteral("page_2"));
}

void tst_window::widgets_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("class_name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<int>("font"); // point size set on the widget, 0 when inherited
    QTest::addColumn<QString>("text");
    auto row = [](const char *name, const char *cls, const char *parent, int font,
                  const char *text = "<no text>") {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(cls)
                            << QString::fromLatin1(parent) << font << QString::fromUtf8(text);
    };
    row("centralwidget", "QWidget", "MainWindow", 12);
    row("stackedWidget", "QStackedWidget", "centralwidget", 0);
    row("page", "QWidget", "stackedWidget", 0);
    row("label_3", "QLabel", "page", 14, "Окно настройки");
    row("log_file", "QCheckBox", "page", 12, "Формировать ЛОГ-файл");
    row("Time_out_yes", "QCheckBox", "page", 12, "Определение отключения преобразователя");
    row("label_4", "QLabel", "page", 12, "Адрес преобразователя");
    row("adr_ustr", "QSpinBox", "page", 12);
    row("label_2", "QLabel", "page", 12, "Номер COM порта");
    row("nomer_com", "QComboBox", "page", 12);
    row("Recall", "QPushButton", "page", 12, "Обновить список портов");
    row("label", "QLabel", "page", 12, "Скорость COM порта");
    row("speed_com", "QComboBox", "page", 12);
    row("label_7", "QLabel", "page", 12, "Чётность");
    row("chetnost", "QComboBox", "page", 12);
    row("label_8", "QLabel", "page", 12, "Стоп-биты");
    row("stopbit", "QComboBox", "page", 12);
    row("err_poisk", "QLabel", "page", 12, texts::search_hint);
    row("Start", "QPushButton", "page", 12, "Старт");
    row("label_5", "QLabel", "page", 0, "ver 2.0.0");
    row("page_2", "QWidget", "stackedWidget", 0);
    row("Stop", "QPushButton", "page_2", 12, "Стоп");
    row("layoutWidget", "QWidget", "page_2", 0);
    row("string_name", "QLabel", "layoutWidget", 15, "");
    row("nomer_izd", "QLabel", "layoutWidget", 12, "");
    row("versia_po", "QLabel", "layoutWidget", 12, "");
    row("T_1_channal", "QLabel", "layoutWidget", 16, "");
    row("T_1_hs", "QLabel", "layoutWidget", 12, "");
    row("t_2_channal", "QLabel", "layoutWidget", 16, "");
    row("T_2_hs", "QLabel", "layoutWidget", 12, "");
    row("diag_ustr", "QLabel", "layoutWidget", 12, "");
    row("err_izd", "QLabel", "layoutWidget", 12, "");
    row("err_ust_1", "QLabel", "layoutWidget", 12, "");
    row("err_ust_2", "QLabel", "layoutWidget", 12, "");
    row("label_6", "QLabel", "page_2", 0, "ver 2.0.0");
    row("menubar", "QMenuBar", "MainWindow", 0);
    row("statusbar", "QStatusBar", "MainWindow", 0);
}

void tst_window::widgets()
{
    QFETCH(QString, name);
    QFETCH(QString, class_name);
    QFETCH(QString, parent);
    QFETCH(int, font);
    QFETCH(QString, text);
    MainWindow window;
    QWidget *w = window.findChild<QWidget *>(name);
    QVERIFY(w);
    QCOMPARE(QString::fromLatin1(w->metaObject()->className()), class_name);
    QCOMPARE(w->parentWidget()->objectName(), parent);
    if (font == 0) {
        QVERIFY(!w->testAttribute(Qt::WA_SetFont));
    } else {
        QVERIFY(w->testAttribute(Qt::WA_SetFont));
        QCOMPARE(w->font().pointSize(), font);
        // Only the size is set: family, weight and style stay the application's.
        QCOMPARE(w->font().family(), QApplication::font().family());
        QCOMPARE(w->font().bold(), false);
    }
    QCOMPARE(widget_text(w), text);
    QVERIFY(w->isEnabledTo(&window) || name == QLatin1String("Stop"));
    QVERIFY(w->toolTip().isEmpty());
    QVERIFY(w->styleSheet().isEmpty());
}

void tst_window::settings_column_order()
{
    MainWindow window;
    auto *v = qobject_cast<QVBoxLayout *>(find_widget(window, "page")->layout());
    QVERIFY(v);
    QCOMPARE(v->objectName(), QStringLiteral("verticalLayout"));
    QCOMPARE(layout_names(v),
             QStringList({ "label_3", "<spacer>", "log_file", "Time_out_yes", "label_4", "adr_ustr",
                           "label_2", "nomer_com", "Recall", "label", "speed_com", "label_7",
                           "chetnost", "label_8", "stopbit", "err_poisk", "Start", "label_5" }));
    QSpacerItem *spacer = v->itemAt(1)->spacerItem();
    QVERIFY(spacer);
    QCOMPARE(spacer->sizeHint(), QSize(20, 40));
    QCOMPARE(spacer->sizePolicy().horizontalPolicy(), QSizePolicy::Minimum);
    QCOMPARE(spacer->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(v->itemAt(17)->alignment(), Qt::Alignment(Qt::AlignRight));
    QCOMPARE(v->itemAt(16)->alignment(), Qt::Alignment());
    QCOMPARE(find_widget<QLabel>(window, "label_5")->textFormat(), Qt::AutoText);
    QCOMPARE(find_widget(window, "label_3")->layoutDirection(), Qt::LeftToRight);
    QCOMPARE(search_hint.size(), 42);
}

void tst_window::result_lines_order()
{
    MainWindow window;
    QLayout *v = find_widget(window, "layoutWidget")->layout();
    QVERIFY(qobject_cast<QVBoxLayout *>(v));
    QCOMPARE(v->objectName(), QStringLiteral("verticalLayout_2"));
    QCOMPARE(v->contentsMargins(), QMargins(0, 0, 0, 0));
    QCOMPARE(
        layout_names(v),
        QStringList({ "string_name", "nomer_izd", "versia_po", "T_1_channal", "T_1_hs",
                      "t_2_channal", "T_2_hs", "diag_ustr", "err_izd", "err_ust_1", "err_ust_2" }));
    QVERIFY(find_widget(window, "page_2")->layout() == nullptr);
}

void tst_window::choice_lists()
{
    MainWindow window;
    auto *speed = find_widget<QComboBox>(window, "speed_com");
    QCOMPARE(combo_items(speed),
             QStringList({ "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200",
                           "230400", "460800", "921600" }));
    QCOMPARE(speed->currentIndex(), 3);
    auto *parity = find_widget<QComboBox>(window, "chetnost");
    QCOMPARE(combo_items(parity),
             QStringList({ QString::fromUtf8("Не используется"), QString::fromUtf8("Нечёт"),
                           QString::fromUtf8("Чёт") }));
    // The letter ё, not е.
    QVERIFY(parity->itemText(2).contains(QChar(0x0451)));
    QCOMPARE(parity->currentIndex(), 0);
    auto *stop = find_widget<QComboBox>(window, "stopbit");
    QCOMPARE(combo_items(stop), QStringList({ "1", "2" }));
    QCOMPARE(stop->currentIndex(), 0);
    for (const QComboBox *box : { speed, parity, stop })
        for (int i = 0; i < box->count(); ++i) {
            QVERIFY(!box->itemData(i).isValid());
            QVERIFY(box->itemIcon(i).isNull());
        }
    auto *address = find_widget<QSpinBox>(window, "adr_ustr");
    QCOMPARE(address->minimum(), 1);
    QCOMPARE(address->maximum(), 128);
    QCOMPARE(address->value(), 1);
    address->setValue(0);
    QCOMPARE(address->value(), 1);
    address->setValue(129);
    QCOMPARE(address->value(), 128);
    // Latin COM in the captions, Cyrillic ЛОГ.
    QVERIFY(find_widget<QLabel>(window, "label_2")->text().contains(QLatin1String("COM")));
    QVERIFY(find_widget<QCheckBox>(window, "log_file")->text().contains(QString::fromUtf8("ЛОГ")));
}

void tst_window::fixed_geometry_on_monitoring_page()
{
    if (running_under_wine())
        QSKIP("Under Wine the offscreen platform never reports the window exposed: "
              "qWaitForWindowExposed times out after 5 s (Wine 8.0); real Windows does.");
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.resize(1400, 900);
    QTRY_COMPARE(find_widget(window, "stackedWidget")->width() > 1300, true);
    QCOMPARE(find_widget(window, "Stop")->geometry(), QRect(450, 540, 75, 23));
    QCOMPARE(find_widget(window, "layoutWidget")->geometry(), QRect(0, 10, 1001, 521));
    QCOMPARE(find_widget(window, "label_6")->geometry(), QRect(926, 550, 71, 20));
    // The settings column follows the window.
    QVERIFY(find_widget(window, "Start")->width() > 1300);
}

void tst_window::start_up_state()
{
    MainWindow window;
    QCOMPARE(find_widget<QStackedWidget>(window, "stackedWidget")->currentIndex(), 0);
    QVERIFY(find_widget(window, "Start")->isEnabled());
    QVERIFY(!find_widget(window, "Stop")->isEnabled());
    QVERIFY(!find_widget<QCheckBox>(window, "log_file")->isChecked());
    QVERIFY(!find_widget<QCheckBox>(window, "Time_out_yes")->isChecked());
    QCOMPARE(find_widget<QLabel>(window, "err_poisk")->text(), search_hint);
    QCOMPARE(combo_items(find_widget<QComboBox>(window, "nomer_com")),
             QStringList({ "ttyTEST0", "ttyTEST1" }));
    QCOMPARE(find_widget<QComboBox>(window, "nomer_com")->currentIndex(), 0);
}

void tst_window::empty_port_list()
{
    orte::set_port_lister([] { return QStringList(); });
    MainWindow window;
    QCOMPARE(find_widget<QComboBox>(window, "nomer_com")->count(), 0);
    QVERIFY(find_widget(window, "Start")->isEnabled());
    // A port plugged in later is not seen until the list is refreshed.
    orte::set_port_lister([] { return QStringList { "/nonexistent/ttyLATE" }; });
    find_widget<QPushButton>(window, "Start")->click();
    QCOMPARE(find_widget<QLabel>(window, "err_poisk")->text(),
             QString::fromUtf8("Ошибка. В системе нет СОМ портов"));
    QCOMPARE(find_widget<QStackedWidget>(window, "stackedWidget")->currentIndex(), 0);
}

void tst_window::recall_refreshes_the_list()
{
    MainWindow window;
    orte::set_port_lister([] { return QStringList { "ttyNEW" }; });
    find_widget<QPushButton>(window, "Recall")->click();
    QCOMPARE(combo_items(find_widget<QComboBox>(window, "nomer_com")), QStringList { "ttyNEW" });
    orte::set_port_lister([] { return QStringList(); });
    find_widget<QPushButton>(window, "Recall")->click();
    QCOMPARE(find_widget<QComboBox>(window, "nomer_com")->count(), 0);
    find_widget<QPushButton>(window, "Start")->click();
    QCOMPARE(find_widget<QLabel>(window, "err_poisk")->text(),
             QString::fromUtf8("Ошибка. В системе нет СОМ портов"));
}

void tst_window::port_that_cannot_be_opened()
{
    orte::set_port_lister([] { return QStringList { "/nonexistent/ttyGONE" }; });
    MainWindow window;
    find_widget<QPushButton>(window, "Start")->click();
    QCOMPARE(find_widget<QLabel>(window, "err_poisk")->text(),
             QString::fromUtf8(texts::msg_cannot_open));
    QCOMPARE(find_widget<QStackedWidget>(window, "stackedWidget")->currentIndex(), 0);
    QVERIFY(find_widget(window, "Start")->isEnabled());
}

void tst_window::icon_and_desktop_identity()
{
    orte::set_app_identity();
    MainWindow window;
    QVERIFY(!window.windowIcon().pixmap(64).isNull());
#ifdef Q_OS_WIN
    // Set before the application object (see main below): scaled displays scale the window.
    QVERIFY(QCoreApplication::testAttribute(Qt::AA_EnableHighDpiScaling));
#endif
    // X11 takes the WM class from the application name; the desktop entry must name it.
    QFile entry(QStringLiteral(ORTE_DATA_DIR "/org.orte.Monitor473.desktop"));
    QVERIFY(entry.open(QIODevice::ReadOnly));
    QVERIFY(entry.readAll().contains(
        "\nStartupWMClass=" + QCoreApplication::applicationName().toUtf8() + '\n'));
}

// QTEST_MAIN, with what the programs set before their application object.
int main(int argc, char *argv[])
{
    orte::prepare_application();
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    tst_window test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_window.moc"
