// clipvoice-character-gen: draws the characters shipped with ClipVoice and
// writes, per character, its frames, sounds and an acs-pack manifest.
//
//   clipvoice-character-gen OUTPUT_FOLDER
//
// writes OUTPUT_FOLDER/bubble/bubble.json and OUTPUT_FOLDER/puff/puff.json
// (with their img/ and sounds/ folders). Run with QT_QPA_PLATFORM=offscreen.

#include "BubbleFigure.h"
#include "CharacterWriter.h"
#include "PuffFigure.h"

#include <QGuiApplication>
#include <QStringList>
#include <QTextStream>

#include <cstdio>

using namespace clipvoice::characters;

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        err << "usage: clipvoice-character-gen OUTPUT_FOLDER\n";
        return 2;
    }
    const QString out = args.at(1);

    CharacterDescription bubble;
    bubble.id = QStringLiteral("bubble");
    bubble.nameEnglish = QStringLiteral("Bubble");
    bubble.nameJapanese = QStringLiteral("バブル");
    bubble.descriptionEnglish =
        QStringLiteral("A white speech bubble in dark blue sunglasses who reads your copied "
                       "text aloud.");
    bubble.descriptionJapanese =
        QStringLiteral("紺色のサングラスをかけた白い吹き出し。コピーした文章を読み上げます。");
    bubble.balloonText = QStringLiteral("#101c36");
    bubble.balloonBackground = QStringLiteral("#f3f7ff");
    bubble.balloonBorder = QStringLiteral("#2f5cb4");
    // A man's voice at its usual pitch and a brisk pace; Puff a woman's voice,
    // a little higher than usual and a little slower.
    bubble.voiceGender = QStringLiteral("male");
    bubble.voicePitch = 120;
    bubble.voiceSpeed = 170;
    bubble.soundPitch = 1.0;

    CharacterDescription puff;
    puff.id = QStringLiteral("puff");
    puff.nameEnglish = QStringLiteral("Puff");
    puff.nameJapanese = QStringLiteral("パフ");
    puff.descriptionEnglish =
        QStringLiteral("A small round cloud shaped like a cat who gently reads your copied "
                       "text aloud.");
    puff.descriptionJapanese =
        QStringLiteral("ねこの形をした小さな丸い雲。コピーした文章をやさしく読み上げます。");
    puff.balloonText = QStringLiteral("#3b3f6e");
    puff.balloonBackground = QStringLiteral("#fff5fa");
    puff.balloonBorder = QStringLiteral("#e58fb2");
    puff.voiceGender = QStringLiteral("female");
    puff.voicePitch = 235;
    puff.voiceSpeed = 160;
    puff.soundPitch = 1.26;

    const BubbleFigure bubbleFigure;
    const PuffFigure puffFigure;
    const struct
    {
        const Figure& figure;
        const CharacterDescription& description;
    } list[] = {{bubbleFigure, bubble}, {puffFigure, puff}};
    int status = 0;
    for (const auto& c : list) {
        const QString error =
            writeCharacter(c.figure, c.description, out + QLatin1Char('/') + c.description.id);
        if (!error.isEmpty()) {
            err << c.description.id << ": " << error << '\n';
            status = 1;
        }
    }
    return status;
}
