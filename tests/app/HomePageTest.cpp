// The home page the program carries: present among its resources where the
// built-in address points, drawn in the window's own colours, and made of
// nothing that would reach out of the program.

#include "app/HomePage.h"
#include "app/artwork/Palette.h"

#include <QColor>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

using namespace clipvoice;

class HomePageTest : public QObject
{
    Q_OBJECT

private:
    QString m_page;

    static QString hex(QRgb colour) { return QColor(colour).name(QColor::HexRgb); }

private slots:
    void initTestCase()
    {
        // The pane shows clipvoice:/PATH from the resource :/webpane/PATH.
        const QUrl address = app::builtInHomePageAddress();
        QCOMPARE(address.scheme(), QStringLiteral("clipvoice"));
        QFile file(QStringLiteral(":/webpane") + address.path());
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
        m_page = QString::fromUtf8(file.readAll());
        QVERIFY(m_page.startsWith(QStringLiteral("<!DOCTYPE html>")));
    }

    void pageHasItsTitleAndAHintInJapanese()
    {
        QVERIFY(m_page.contains(QStringLiteral("<html lang=\"ja\">")));
        QVERIFY(m_page.contains(QStringLiteral("<meta charset=\"utf-8\">")));
        QVERIFY(m_page.contains(QStringLiteral("<title>ClipVoice</title>")));
        QVERIFY(m_page.contains(QStringLiteral("コピー")));
        QVERIFY(m_page.contains(QStringLiteral("読み上げ")));
    }

    // The strip takes the dark bars' shading, their white glyph colour and the
    // accent line of the title strip, as the artwork paints them.
    void pageUsesTheWindowsColours()
    {
        using namespace app::artwork::palette;
        for (const QRgb colour : {kBarTop, kBar, kBarBottom, kGlyph, kAccent, kAccentFaint})
            QVERIFY2(m_page.contains(hex(colour), Qt::CaseInsensitive), qPrintable(hex(colour)));
        // No colour the window does not have.
        const QSet<QString> palette = {hex(kBarTop), hex(kBar),    hex(kBarBottom),
                                       hex(kGlyph),  hex(kAccent), hex(kAccentFaint)};
        static const QRegularExpression colourPattern(QStringLiteral("#[0-9a-fA-F]{6}\\b"));
        for (const QRegularExpressionMatch& match : colourPattern.globalMatch(m_page))
            QVERIFY2(palette.contains(match.captured().toLower()), qPrintable(match.captured()));
    }

    // Nothing on the page is fetched: no scripts, style sheets, fonts, frames
    // or pictures from anywhere, and the page's policy forbids any.
    void pageFetchesNothing()
    {
        QVERIFY(m_page.contains(QStringLiteral("http-equiv=\"Content-Security-Policy\"")));
        QVERIFY(m_page.contains(QStringLiteral("default-src 'none'")));
        for (const char* banned :
             {"<script", "<link", "<img", "<iframe", "<object", "<embed", "src=", "href=", "url(",
              "@import", "@font-face", "http:", "https:", "//"}) {
            QVERIFY2(!m_page.contains(QLatin1String(banned), Qt::CaseInsensitive), banned);
        }
    }
};

QTEST_MAIN(HomePageTest)
#include "HomePageTest.moc"
