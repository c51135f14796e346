#pragma once

#include "platform/agent/AgentService.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace clipvoice::platform {
class RandomSource;
}

namespace clipvoice::speech {

// What SpeakText reads from the window for one call.
struct SpeakContext
{
    platform::agent::CharacterPtr character; // empty when none has been loaded
    int gestureOption = 0;                   // the gesture box: 0 off, 1 on, 2 grayed
    std::optional<int> selectedLanguage;     // 1-based picker index; none when nothing is selected
    platform::RandomSource* random = nullptr;
    platform::agent::RequestPtr* lastRequest = nullptr; // receives each speech request
};

// The pieces of a text between its CR LF separators, empty pieces included.
QStringList splitLines(const QString& text);

// How much of a text one step of a SpeakJob may hand to the character. At
// least one line is always handed over, however long.
struct SpeakBudget
{
    int lines = 0; // lines, empty ones included
    qsizetype characters = 0;

    static SpeakBudget unlimited();
};

// One call of SpeakText, performed in steps so that a long text can be
// handed to the character a slice at a time: shows the character first when
// it is hidden (and hides it again after the last line), plays a random
// gesture first when the gesture box is checked, sets the language chosen in
// the picker, then says the text line by line. The first failing call ends
// the job quietly; nothing is reported.
class SpeakJob
{
public:
    SpeakJob(QString text, SpeakContext context);

    // Performs the next calls within the budget; true once the job has ended.
    bool step(SpeakBudget budget);
    bool finished() const { return m_finished; }
    // The speech request of the last line handed over, if any.
    const platform::agent::RequestPtr& lastSpoken() const { return m_lastSpoken; }

private:
    bool begin();
    void end(bool hideAgain);

    QString m_text;
    SpeakContext m_context;
    platform::agent::RequestPtr m_lastSpoken;
    qsizetype m_position = 0; // where the next line starts
    bool m_started = false;
    bool m_hiddenBefore = false;
    bool m_finished = false;
};

// Has the character say the text line by line, all at once.
void SpeakText(const QString& text, const SpeakContext& context);

} // namespace clipvoice::speech
