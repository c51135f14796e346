#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include "agent/voice/SpeechEngine.h"
#include "agent/voice/VoiceTypes.h"

// Which MBROLA voices espeak-ng can speak with on this machine, and the
// timing of their words. espeak-ng drives the mbrola program with a diphone
// database and a phoneme table of its own; a voice is only usable when the
// program, the database and the table are all there. Selecting a voice whose
// table is missing can crash espeak-ng, and one whose database is missing
// makes it play noise, so such voices are never offered.
namespace clipvoice::agent::voice {

// One MBROLA database this program knows, with the language it reads.
struct MbrolaVoice
{
    QString id; // the database name, e.g. "us1"; espeak-ng's voice is "mb-us1"
    qint32 language = 0;
    VoiceGender gender = VoiceGender::Unspecified;
    QString accent; // e.g. "Belgian", empty for the language's standard speech

    QString espeakVoice() const { return QStringLiteral("mb-") + id; }
};

// Where to look for what a voice needs.
struct MbrolaPlaces
{
    QString espeakData; // espeak-ng-data, holding voices/mb/ and mbrola_ph/
    // Where a database file may be, "%1" standing for its name, in the order
    // espeak-ng looks.
    QStringList databasePatterns;
    QString program; // the mbrola program; empty when not found
};

// What espeak-ng's voice file for an MBROLA voice names on its "mbrola" line,
// e.g. "mbrola de5 de6_phtrans 22050".
struct MbrolaVoiceFile
{
    QString database;
    QString phonemeTable;
};

class MbrolaVoices
{
public:
    // Every database this program can offer, each language's default first.
    static const QList<MbrolaVoice>& known();

    // The places of this machine: the given espeak-ng data folder, where
    // espeak-ng looks for databases (its own mbrola/ folder and
    // /usr/share/mbrola) and the mbrola program on PATH.
    static MbrolaPlaces systemPlaces(const QString& espeakData);

    // The known voices that are usable with `places`, in the order of known().
    // `problem` says why none is, when none is.
    static QList<MbrolaVoice> usable(const MbrolaPlaces& places, QString* problem = nullptr);

    // Reads the "mbrola" line of a voice file; both names are empty when
    // there is none or it is malformed.
    static MbrolaVoiceFile parseVoiceFile(const QByteArray& contents);
};

// A text's code points, which espeak-ng counts positions in, and its words.
class CodePoints
{
public:
    explicit CodePoints(const QString& text);

    int count() const { return static_cast<int>(m_offsets.size()) - 1; }
    // The UTF-16 offset of a code point, clamped to the text.
    int offsetOf(int codePoint) const;
    char32_t at(int codePoint) const;
    // A word starts at `codePoint`: a letter or digit that does not follow one.
    bool startsWord(int codePoint) const;
    // The end of the word starting at `codePoint`: its letters and digits, and
    // apostrophes inside it ("aujourd'hui").
    int wordEnd(int codePoint) const;

private:
    const QString& m_text;
    QList<int> m_offsets; // of each code point, plus one past the end
};

// Words and mouths for MBROLA voices. espeak-ng reports only the first word
// of each sentence with them, but the first phoneme of every word it says
// carries the word's text position: each new position that starts a word is
// a word. Words it says together with the one before ("of the") get no
// phoneme of their own and are placed between their neighbours by their
// place in the text. MBROLA's audio comes later than espeak-ng's events, so
// each word and mouth is handed on once the audio up to its time has come.
class MbrolaTiming
{
public:
    explicit MbrolaTiming(const CodePoints& text)
        : m_text(text)
    {}

    // espeak-ng places a word or a phoneme at `codePoint` at `timeMs`.
    void wordAt(int codePoint, qint64 timeMs);
    // The mouth changes to `shape` at `timeMs`.
    void mouthAt(qint64 timeMs, int shape);
    // Hands on what is timed up to `audioMs`, the audio made so far.
    void release(qint64 audioMs, SynthesisSink& sink);
    // At the end of the audio: the words never reported are placed before the
    // final pause, and everything left is handed on within the audio.
    void finish(qint64 durationMs, SynthesisSink& sink);

private:
    void add(int codePoint, qint64 timeMs);
    void placeSkippedWords(int codePoint, qint64 timeMs);

    const CodePoints& m_text;
    QList<WordTiming> m_words;   // waiting for their audio
    QList<MouthTiming> m_mouths; // waiting for their audio
    int m_lastStart = -1;        // code point of the last word
    int m_scanFrom = 0;          // code point after the last word
    qint64 m_lastTime = 0;
    qint64 m_lastMouthTime = 0;
    qint64 m_lastClosedMs = -1; // the last time the mouth closed
};

} // namespace clipvoice::agent::voice
