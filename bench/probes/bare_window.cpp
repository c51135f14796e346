// The yardstick for start-up: a bare Qt window of the main window's size that
// also hosts a web pane loading the same page, and nothing else.

#include <QApplication>
#include <QUrl>
#include <QWebEngineView>
#include <QWidget>

#include <unistd.h>

int main(int argc, char** argv)
{
    // Chromium refuses to run its sandbox as root; the program does the same.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowFlag(Qt::FramelessWindowHint);
    window.setFixedSize(466, 282);
    auto* pane = new QWebEngineView(&window);
    pane->setGeometry(-3, 259, 473, 33);
    const QString url = qEnvironmentVariable("CLIPVOICE_HOME_URL", QStringLiteral("about:blank"));
    pane->load(QUrl(url));
    window.show();
    return application.exec();
}
