#pragma once

#include "platform/WebPane.h"

#include <QList>

namespace clipvoice::platform::testing {

// A browser pane that only records where it was told to go.
class RecordingWebPane final : public WebPane
{
    Q_OBJECT

public:
    using WebPane::WebPane;

    void navigate(const QUrl& address) override { navigations.append(address); }

    QList<QUrl> navigations;
};

} // namespace clipvoice::platform::testing
