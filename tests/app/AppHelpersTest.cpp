// Small helpers of the program: twip conversion, image lists, the choice of
// display platform and the hot-spot labels.

#include "app/DisplayPlatform.h"
#include "app/HotSpotLabel.h"
#include "app/ImageList.h"
#include "app/TwipScale.h"

#include <QSignalSpy>
#include <QTest>

using namespace clipvoice::app;

class AppHelpersTest : public QObject
{
    Q_OBJECT

private slots:
    void twipsBecomePixelsAtTheScreensDpi()
    {
        const TwipScale at96(96.0);
        QCOMPARE(at96.toPixels(6990), 466);
        QCOMPARE(at96.toPixels(4230), 282);
        QCOMPARE(at96.toPixels(-50), -3);
        QCOMPARE(at96.toPixels(255), 17);
        // Touching rectangles stay touching; a 255-twip label is 17 pixels.
        QCOMPARE(at96.toPixels(6480, 0, 255, 255), QRect(432, 0, 17, 17));
        QCOMPARE(at96.toPixels(-50, 3880, 7095, 495), QRect(-3, 259, 473, 33));

        const TwipScale at144(144.0); // 10 twips to a pixel
        QCOMPARE(at144.toPixels(6990), 699);
        QCOMPARE(at144.toPixels(120, 600, 3900, 1815), QRect(12, 60, 390, 182));

        QCOMPARE(TwipScale::forScreen(nullptr).dotsPerInch(), 96.0);
    }

    void imageListNumbersFromOneAndFindsByKey()
    {
        ImageList list(QSize(16, 11));
        QPixmap red(16, 11);
        red.fill(Qt::red);
        QPixmap big(32, 22);
        big.fill(Qt::blue);
        list.add(red, QStringLiteral("red"));
        list.add(big);
        QCOMPARE(list.count(), 2);
        QCOMPARE(list.picture(1).toImage().pixelColor(0, 0), QColor(Qt::red));
        QCOMPARE(list.picture(2).size(), QSize(16, 11));
        QVERIFY(list.picture(0).isNull());
        QVERIFY(list.picture(3).isNull());
        QCOMPARE(list.picture(QStringLiteral("red")).toImage().pixelColor(5, 5), QColor(Qt::red));
        QVERIFY(list.picture(QStringLiteral("blue")).isNull());
        QVERIFY(list.picture(QString()).isNull()); // unkeyed pictures are not found by key
        QCOMPARE(list.key(1), QStringLiteral("red"));
        QVERIFY(list.key(2).isEmpty());
    }

    void waylandSessionsRunThroughXWayland()
    {
        QCOMPARE(preferredPlatformPlugin("wayland", true, false), QByteArray("xcb;wayland"));
        QCOMPARE(preferredPlatformPlugin("", true, false), QByteArray("xcb;wayland"));
        QCOMPARE(preferredPlatformPlugin("Wayland", false, false), QByteArray("xcb;wayland"));
        // The user's own choice stands, and X11 sessions are left alone.
        QVERIFY(preferredPlatformPlugin("wayland", true, true).isEmpty());
        QVERIFY(preferredPlatformPlugin("x11", false, false).isEmpty());
        QVERIFY(preferredPlatformPlugin("", false, false).isEmpty());
    }

    void hotSpotClicksOnlyOnLeftPressAndReleaseInside()
    {
        QWidget window;
        window.resize(100, 100);
        HotSpotLabel label(&window);
        label.setGeometry(10, 10, 17, 17);
        QSignalSpy clicked(&label, &HotSpotLabel::clicked);

        QTest::mouseClick(&label, Qt::LeftButton, {}, QPoint(8, 8));
        QCOMPARE(clicked.count(), 1);
        QTest::mouseClick(&label, Qt::RightButton, {}, QPoint(8, 8));
        QCOMPARE(clicked.count(), 1);
        // Pressing, then releasing outside the label, is no click.
        QTest::mousePress(&label, Qt::LeftButton, {}, QPoint(8, 8));
        QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(40, 40));
        QCOMPARE(clicked.count(), 1);
        // A release without a press on the label is no click either.
        QTest::mouseRelease(&label, Qt::LeftButton, {}, QPoint(8, 8));
        QCOMPARE(clicked.count(), 1);
    }
};

QTEST_MAIN(AppHelpersTest)
#include "AppHelpersTest.moc"
