#include "agent/ui/CharacterWindow.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

using namespace clipvoice::agent::ui;

namespace {

// A red disc on a transparent background: the corners are see-through.
QImage discFrame(QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(200, 30, 30));
    painter.drawEllipse(QRect(QPoint(0, 0), size));
    return image;
}

QRect available()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

void sendMouse(QWidget* w, QEvent::Type type, Qt::MouseButton button, QPoint global)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    QMouseEvent event(type, QPointF(w->mapFromGlobal(global)), QPointF(global), button,
                      type == QEvent::MouseMove ? Qt::LeftButton : held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

} // namespace

class TestCharacterWindow : public QObject
{
    Q_OBJECT

private slots:
    void showsTheFrameAtItsSizeAndSeeThroughCorners()
    {
        CharacterWindow window;
        const QImage frame = discFrame(QSize(96, 128));
        window.setFrame(frame);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.isVisible());
        QCOMPARE(window.size(), frame.size());
        QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(window.windowFlags().testFlag(Qt::FramelessWindowHint));

        const QImage grabbed = window.grab().toImage();
        QVERIFY(grabbed.hasAlphaChannel());
        QCOMPARE(qAlpha(grabbed.pixel(1, 1)), 0);
        QCOMPARE(grabbed.pixelColor(48, 64), QColor(200, 30, 30));
        // Without a compositor the shape hides the corners.
        QVERIFY(!window.mask().contains(QPoint(1, 1)));
        QVERIFY(!window.mask().contains(QPoint(94, 126)));
        QVERIFY(window.mask().contains(QPoint(48, 64)));

        // A new frame of another size resizes and reshapes the window.
        QImage square(40, 30, QImage::Format_ARGB32_Premultiplied);
        square.fill(Qt::blue);
        window.setFrame(square);
        QCOMPARE(window.size(), QSize(40, 30));
        QVERIFY(window.mask().contains(QPoint(0, 0)));
        QVERIFY(!window.mask().contains(QPoint(40, 30)));

        // Shapes are remembered per picture: going back to the first frame
        // brings its shape back, and a picture changed since gets a new one.
        window.setFrame(frame);
        QVERIFY(!window.mask().contains(QPoint(1, 1)));
        QVERIFY(window.mask().contains(QPoint(48, 64)));
        square.fill(Qt::transparent);
        window.setFrame(square);
        QVERIFY(!window.mask().contains(QPoint(20, 15)));
    }

    void shapeKeepsEveryPixelThatIsNotFullyTransparent()
    {
        QImage image(5, 3, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        image.setPixel(0, 0, qPremultiply(qRgba(255, 255, 255, 1)));
        image.setPixel(2, 1, qRgba(0, 0, 0, 255));
        image.setPixel(3, 1, qRgba(0, 0, 0, 255));
        image.setPixel(4, 2, qPremultiply(qRgba(10, 20, 30, 128)));
        const QRegion region = CharacterWindow::opaqueRegion(image);
        QCOMPARE(region, QRegion(0, 0, 1, 1) + QRegion(2, 1, 2, 1) + QRegion(4, 2, 1, 1));

        // Formats other than premultiplied ARGB are read through conversion.
        QImage rgb(4, 4, QImage::Format_RGB32);
        rgb.fill(Qt::green);
        QCOMPARE(CharacterWindow::opaqueRegion(rgb), QRegion(0, 0, 4, 4));
        QVERIFY(CharacterWindow::opaqueRegion(QImage()).isEmpty());
    }

    void firstShowIsNearTheLowerRightCorner()
    {
        CharacterWindow window;
        window.setFrame(discFrame(QSize(100, 80)));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect area = available();
        QVERIFY(area.contains(window.geometry()));
        QCOMPARE(area.right() - window.geometry().right(), CharacterWindow::ScreenMargin);
        QCOMPARE(area.bottom() - window.geometry().bottom(), CharacterWindow::ScreenMargin);

        // On an area smaller than the character it still starts inside at the top left.
        const QRect tiny(300, 200, 60, 50);
        QCOMPARE(CharacterWindow::initialPosition(QSize(100, 80), tiny), tiny.topLeft());
    }

    void remembersItsPositionWhileHidden()
    {
        CharacterWindow window;
        window.setFrame(discFrame(QSize(64, 64)));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint chosen = available().topLeft() + QPoint(120, 90);
        window.move(chosen);
        window.hide();
        window.setFrame(discFrame(QSize(70, 60)));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.pos(), chosen);
    }

    void dragsWithTheLeftButton()
    {
        CharacterWindow window;
        window.setFrame(discFrame(QSize(80, 80)));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.move(available().topLeft() + QPoint(200, 200));
        const QPoint start = window.pos();
        QSignalSpy started(&window, &CharacterWindow::dragStarted);
        QSignalSpy finished(&window, &CharacterWindow::dragFinished);
        QSignalSpy moved(&window, &CharacterWindow::geometryChanged);

        const QPoint grip = window.mapToGlobal(QPoint(40, 40));
        sendMouse(&window, QEvent::MouseButtonPress, Qt::LeftButton, grip);
        sendMouse(&window, QEvent::MouseMove, Qt::LeftButton, grip + QPoint(1, 1));
        QCOMPARE(window.pos(), start); // a tremble is not a drag
        sendMouse(&window, QEvent::MouseMove, Qt::LeftButton, grip + QPoint(30, 10));
        sendMouse(&window, QEvent::MouseMove, Qt::LeftButton, grip + QPoint(-50, 35));
        sendMouse(&window, QEvent::MouseButtonRelease, Qt::LeftButton, grip + QPoint(-50, 35));
        QCOMPARE(window.pos(), start + QPoint(-50, 35));
        QCOMPARE(started.count(), 1);
        QCOMPARE(finished.count(), 1);
        QVERIFY(!moved.isEmpty());
        QCOMPARE(moved.last().at(0).toRect(), window.geometry());

        // Moving without a pressed button does nothing.
        sendMouse(&window, QEvent::MouseMove, Qt::LeftButton, grip + QPoint(100, 100));
        QCOMPARE(window.pos(), start + QPoint(-50, 35));

        // A drag past the screen's edge ends with the window back on the screen.
        const QPoint edgeGrip = window.mapToGlobal(QPoint(40, 40));
        sendMouse(&window, QEvent::MouseButtonPress, Qt::LeftButton, edgeGrip);
        sendMouse(&window, QEvent::MouseMove, Qt::LeftButton, edgeGrip - QPoint(400, 400));
        sendMouse(&window, QEvent::MouseButtonRelease, Qt::LeftButton, edgeGrip - QPoint(400, 400));
        QCOMPARE(window.pos(), available().topLeft());
    }

    void reportsRightClicksAndDoubleClicks()
    {
        CharacterWindow window;
        window.setFrame(discFrame(QSize(80, 80)));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy menu(&window, &CharacterWindow::contextMenuRequested);
        QSignalSpy activated(&window, &CharacterWindow::activated);
        const QPoint before = window.pos();

        QTest::mouseClick(&window, Qt::RightButton, {}, QPoint(30, 20));
        QCOMPARE(menu.count(), 1);
        QCOMPARE(menu.first().at(0).toPoint(), window.mapToGlobal(QPoint(30, 20)));
        QCOMPARE(activated.count(), 0);

        QTest::mouseDClick(&window, Qt::LeftButton, {}, QPoint(40, 40));
        QCOMPARE(activated.count(), 1);
        QCOMPARE(menu.count(), 1);
        QCOMPARE(window.pos(), before);

        QTest::mouseDClick(&window, Qt::RightButton, {}, QPoint(40, 40));
        QCOMPARE(activated.count(), 1);
    }

    void returnsToTheScreenWhenLeftOutside()
    {
        CharacterWindow window;
        window.setFrame(discFrame(QSize(50, 60)));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect area = available();
        window.move(area.right() + 300, area.bottom() + 300);
        window.keepOnScreen();
        QVERIFY(area.contains(window.geometry()));
        QCOMPARE(window.geometry().bottomRight(), area.bottomRight());

        // Inside already: stays put.
        const QPoint inside = area.topLeft() + QPoint(10, 10);
        window.move(inside);
        window.keepOnScreen();
        QCOMPARE(window.pos(), inside);
    }
};

QTEST_MAIN(TestCharacterWindow)
#include "CharacterWindowTest.moc"
