#pragma once

#include "platform/Clipboard.h"

#include <QStringList>

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
};

} // namespace clipvoice::platform::testing
