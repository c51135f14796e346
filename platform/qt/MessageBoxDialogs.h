#pragma once

#include "platform/Dialogs.h"

#include <QStringList>

namespace clipvoice::platform {

// Dialogs shown as Qt message boxes.
class MessageBoxDialogs final : public Dialogs
{
public:
    void information(const QString& title, const QString& text) override;
    void error(const QString& title, const QString& text) override;
    std::optional<SaveTarget> saveAudioFile(const QString& title, const QString& folder) override;

    // The file dialog's filters, WAV first.
    static QStringList audioFilters();
    // What the user chose: the name as given when its extension names a type,
    // otherwise with the extension of the filter chosen.
    static SaveTarget saveTargetFor(const QString& chosen, const QString& filter);
};

} // namespace clipvoice::platform
