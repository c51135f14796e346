// The main window as it stands right after creation: geometry, parents,
// texts, cursors, initial states, tab order and image lists.

#include "TestPlatform.h"
#include "app/Fonts.h"
#include "app/Form1.h"
#include "app/artwork/Artwork.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>

using namespace clipvoice;

class Form1LayoutTest : public QObject
{
    Q_OBJECT

private:
    TestPlatform m_platform;
    std::unique_ptr<app::Form1> m_form;

    QWidget* control(const QString& name) const { return m_form->findChild<QWidget*>(name); }

private slots:
    void initTestCase()
    {
        app::registerFontSubstitutions();
        m_form = std::make_unique<app::Form1>(m_platform.services());
        QCOMPARE(m_form->logicalDpiX(), 96);
    }

    void windowIsFramelessWithItsTitleAndSize()
    {
        QVERIFY(m_form->windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(m_form->isWindow());
        QCOMPARE(m_form->size(), QSize(466, 282));
        QCOMPARE(m_form->minimumSize(), m_form->maximumSize());
        QCOMPARE(m_form->windowTitle(), QStringLiteral("ClipVoice 1.0"));
        QCOMPARE(m_form->windowTitle().toLatin1().size(), 13);
        QVERIFY(!m_form->windowIcon().isNull());
        QVERIFY(!m_form->isVisible());
    }

    void controlsSitWhereTheWindowPlacesThem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<QRect>("pixels");
        // Expected pixel rectangles at 96 dpi (15 twips to a pixel).
        QTest::newRow("ImageCombo1") << "ImageCombo1"
                                     << "Form1" << QRect(288, 40, 161, 21);
        QTest::newRow("Check3") << "Check3"
                                << "Form1" << QRect(288, 120, 13, 13);
        QTest::newRow("Check2") << "Check2"
                                << "Form1" << QRect(288, 104, 13, 13);
        QTest::newRow("Check1") << "Check1"
                                << "Form1" << QRect(288, 88, 13, 13);
        QTest::newRow("Picture1") << "Picture1"
                                  << "Form1" << QRect(8, 232, 260, 16);
        QTest::newRow("Label5") << "Label5"
                                << "Picture1" << QRect(0, 0, 17, 17);
        QTest::newRow("Label4") << "Label4"
                                << "Picture1" << QRect(240, 0, 17, 17);
        QTest::newRow("Label3") << "Label3"
                                << "Picture1" << QRect(224, 0, 17, 17);
        QTest::newRow("Text1") << "Text1"
                               << "Form1" << QRect(8, 168, 260, 65);
        QTest::newRow("WebBrowser1") << "WebBrowser1"
                                     << "Form1" << QRect(-3, 259, 473, 33);
        QTest::newRow("TreeView1") << "TreeView1"
                                   << "Form1" << QRect(8, 40, 260, 121);
        QTest::newRow("File1") << "File1"
                               << "Form1" << QRect(96, 144, 81, 54);
        QTest::newRow("Label8") << "Label8"
                                << "Form1" << QRect(304, 120, 153, 17);
        QTest::newRow("Label7") << "Label7"
                                << "Form1" << QRect(304, 104, 153, 17);
        QTest::newRow("Label6") << "Label6"
                                << "Form1" << QRect(304, 88, 153, 17);
        QTest::newRow("Label2") << "Label2"
                                << "Form1" << QRect(448, 0, 17, 17);
        QTest::newRow("Label1") << "Label1"
                                << "Form1" << QRect(432, 0, 17, 17);
    }

    void controlsSitWhereTheWindowPlacesThem()
    {
        QFETCH(QString, name);
        QFETCH(QString, parent);
        QFETCH(QRect, pixels);
        QWidget* widget = control(name);
        QVERIFY2(widget != nullptr, qPrintable(name));
        QCOMPARE(widget->parentWidget()->objectName(), parent);
        QCOMPARE(widget->geometry(), pixels);
    }

    void textBoxMeetsPictureStripOnOneRow()
    {
        const QRect text = control(QStringLiteral("Text1"))->geometry();
        const QRect strip = control(QStringLiteral("Picture1"))->geometry();
        QCOMPARE(text.bottom(), strip.top());
        // Browser pane frame is cut off at left, right and bottom.
        const QRect pane = control(QStringLiteral("WebBrowser1"))->geometry();
        QVERIFY(pane.left() < 0);
        QVERIFY(pane.right() >= m_form->width());
        QVERIFY(pane.bottom() >= m_form->height());
    }

    void hotSpotsShowHandCursorAndTooltip_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("tip");
        QTest::newRow("Label1") << "Label1" << QStringLiteral("タスクトレイに隠す");
        QTest::newRow("Label2") << "Label2" << QStringLiteral("終了");
        QTest::newRow("Label3") << "Label3" << QStringLiteral("読み上げ開始");
        QTest::newRow("Label4") << "Label4" << QStringLiteral("読み上げ停止");
        QTest::newRow("Label5") << "Label5" << QStringLiteral("テキストボックスをクリア");
    }

    void hotSpotsShowHandCursorAndTooltip()
    {
        QFETCH(QString, name);
        QFETCH(QString, tip);
        auto* label = qobject_cast<QLabel*>(control(name));
        QVERIFY(label != nullptr);
        QCOMPARE(label->toolTip(), tip);
        QVERIFY(label->text().isEmpty());
        QVERIFY(label->testAttribute(Qt::WA_TranslucentBackground));
        QVERIFY(!label->autoFillBackground());
        QCOMPARE(label->cursor().shape(), Qt::BitmapCursor);
        QCOMPARE(label->cursor().hotSpot(), QPoint(16, 16));
        QCOMPARE(label->cursor().pixmap().toImage().convertToFormat(QImage::Format_ARGB32),
                 app::artwork::handCursorPicture().convertToFormat(QImage::Format_ARGB32));
        QCOMPARE(label->focusPolicy(), Qt::NoFocus);
    }

    void optionBoxesAreCheckedAndCaptionsAreSeparate_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text");
        QTest::newRow("clipboard") << "Check1"
                                   << "Label6" << QStringLiteral("クリップボードを読み上げる");
        QTest::newRow("animation") << "Check2"
                                   << "Label7" << QStringLiteral("アニメーションを行う");
        QTest::newRow("web") << "Check3"
                             << "Label8" << QStringLiteral("Webツールバーを表示する");
    }

    void optionBoxesAreCheckedAndCaptionsAreSeparate()
    {
        QFETCH(QString, box);
        QFETCH(QString, caption);
        QFETCH(QString, text);
        auto* check = qobject_cast<QCheckBox*>(control(box));
        auto* label = qobject_cast<QLabel*>(control(caption));
        QVERIFY(check && label);
        QVERIFY(check->isChecked());
        QVERIFY(check->text().isEmpty());
        QCOMPARE(label->text(), text);
        QVERIFY(label->toolTip().isEmpty());
        QCOMPARE(label->cursor().shape(), Qt::ArrowCursor);
        // The caption starts 240 twips (16 pixels) right of the box.
        QCOMPARE(label->x() - check->x(), 16);
        QCOMPARE(label->y(), check->y());
    }

    void otherControlsStartAsDescribed()
    {
        auto* timer = m_form->findChild<QTimer*>(QStringLiteral("Timer1"));
        QVERIFY(timer != nullptr);
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 2000);

        QVERIFY(!control(QStringLiteral("File1"))->isVisibleTo(m_form.get()));
        QVERIFY(control(QStringLiteral("WebBrowser1"))->isVisibleTo(m_form.get()));
        QVERIFY(control(QStringLiteral("Picture1"))->isVisibleTo(m_form.get()));

        auto* text = qobject_cast<QPlainTextEdit*>(control(QStringLiteral("Text1")));
        QVERIFY(text->toPlainText().isEmpty());
        QCOMPARE(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QVERIFY(!text->isReadOnly());

        auto* tree = qobject_cast<QTreeWidget*>(control(QStringLiteral("TreeView1")));
        QCOMPARE(tree->topLevelItemCount(), 0);
        QCOMPARE(tree->font().family(), QStringLiteral("ＭＳ Ｐゴシック"));
        QCOMPARE(tree->font().pointSize(), 9);
        QCOMPARE(tree->font().weight(), QFont::Normal);
        // The described font resolves to the installed metric-compatible face.
        QCOMPARE(QFontInfo(tree->font()).family(), app::treeFontSubstitute());

        auto* combo = qobject_cast<QComboBox*>(control(QStringLiteral("ImageCombo1")));
        QCOMPARE(combo->count(), 0);
        QCOMPARE(combo->currentIndex(), -1);
        QCOMPARE(combo->iconSize(), QSize(16, 11));

        const QPixmap strip = qobject_cast<QLabel*>(control(QStringLiteral("Picture1")))->pixmap();
        QCOMPARE(strip.size(), QSize(260, 16));
    }

    void focusMovesInTabOrder()
    {
        QStringList order;
        QWidget* start = control(QStringLiteral("TreeView1"));
        QWidget* w = start;
        do {
            if (w->focusPolicy() & Qt::TabFocus && w->isVisibleTo(m_form.get()) &&
                !w->objectName().isEmpty() && w->parentWidget() == m_form.get())
                order.append(w->objectName());
            w = w->nextInFocusChain();
        } while (w != start && order.size() < 50);
        const QStringList expected = {QStringLiteral("TreeView1"),  QStringLiteral("WebBrowser1"),
                                      QStringLiteral("Text1"),      QStringLiteral("Check1"),
                                      QStringLiteral("Check2"),     QStringLiteral("Check3"),
                                      QStringLiteral("ImageCombo1")};
        QCOMPARE(order, expected);
    }

    void imageListsHoldTheirPictures()
    {
        const app::ImageList& tree = m_form->imageList1();
        QCOMPARE(tree.count(), 6);
        const QStringList keys = {QStringLiteral("genie"), QStringLiteral("merlin"),
                                  QStringLiteral("peedy"), QStringLiteral("robby"),
                                  QStringLiteral("other"), QStringLiteral("notinstalled")};
        for (int i = 1; i <= 6; ++i) {
            QCOMPARE(tree.key(i), keys.at(i - 1));
            QCOMPARE(tree.picture(i).size(), QSize(16, 16));
        }
        const app::ImageList& flags = m_form->imageList2();
        QCOMPARE(flags.count(), 31);
        for (int i = 1; i <= 31; ++i) {
            QVERIFY2(!flags.picture(i).isNull(), qPrintable(QString::number(i)));
            QCOMPARE(flags.picture(i).size(), QSize(16, 11));
            QVERIFY(flags.key(i).isEmpty());
        }
        // Japan's flag: white field with a red disc in the middle.
        const QImage japan = flags.picture(1).toImage();
        QVERIFY(qRed(japan.pixel(8, 5)) > 180 && qGreen(japan.pixel(8, 5)) < 80);
        QVERIFY(qGreen(japan.pixel(1, 1)) > 200);
    }

    void backgroundShowsWhereNoControlLies()
    {
        const QImage shown = m_form->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QImage background = app::artwork::backgroundPicture(QStringLiteral("ClipVoice 1.0"))
                                      .convertToFormat(QImage::Format_RGB32);
        for (const QPoint p : {QPoint(350, 180), QPoint(300, 20), QPoint(280, 150), QPoint(5, 5)})
            QCOMPARE(shown.pixel(p), background.pixel(p));
        // The hot spots leave the glyphs beneath them unchanged.
        for (const QPoint p : {QPoint(438, 11), QPoint(455, 7)})
            QCOMPARE(shown.pixel(p), background.pixel(p));
    }
};

QTEST_MAIN(Form1LayoutTest)
#include "Form1LayoutTest.moc"
