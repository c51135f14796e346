#pragma once

#include "platform/Dialogs.h"

#include <QList>

namespace clipvoice::platform::testing {

// Records every message box instead of showing it.
class RecordingDialogs final : public Dialogs
{
public:
    enum class Kind
    {
        Information,
        Error
    };
    struct Shown
    {
        Kind kind;
        QString title;
        QString text;
    };

    void information(const QString& title, const QString& text) override
    {
        shown.append({Kind::Information, title, text});
    }
    void error(const QString& title, const QString& text) override
    {
        shown.append({Kind::Error, title, text});
    }

    // Records the question and answers with `saveAnswer` (none: cancelled).
    std::optional<SaveTarget> saveAudioFile(const QString& title, const QString& folder) override
    {
        saveQuestions.append({title, folder});
        return saveAnswer;
    }

    QList<Shown> shown;
    struct SaveQuestion
    {
        QString title;
        QString folder;
    };
    QList<SaveQuestion> saveQuestions;
    std::optional<SaveTarget> saveAnswer;
};

} // namespace clipvoice::platform::testing
