#pragma once

#include "platform/Clipboard.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace clipvoice::platform::testing {

// A clipboard that holds either text or "something else" (a picture, say),
// and logs the calls made to it.
class RecordingClipboard final : public Clipboard
{
public:
    QString text() override
    {
        calls.append(QStringLiteral("text"));
        return heldText;
    }

    void clear() override
    {
        calls.append(QStringLiteral("clear"));
        heldText.clear();
        holdsOtherData = false;
    }

    // With deferReads set, reads wait until the test delivers them, like a
    // large text the desktop clipboard reads in the background.
    void readText(const std::function<void(const QString&)>& done) override
    {
        if (!deferReads) {
            done(text());
            return;
        }
        pendingReads.append(done);
    }
    void deliverRead() { pendingReads.takeFirst()(text()); }

    void setText(const QString& text)
    {
        heldText = text;
        holdsOtherData = false;
    }
    void setPicture()
    {
        heldText.clear();
        holdsOtherData = true;
    }
    bool isEmpty() const { return heldText.isEmpty() && !holdsOtherData; }

    QString heldText;
    bool holdsOtherData = false;
    QStringList calls;
    bool deferReads = false;
    QList<std::function<void(const QString&)>> pendingReads;
};

} // namespace clipvoice::platform::testing
