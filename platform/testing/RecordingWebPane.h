#pragma once

#include "platform/WebPane.h"

#include <QList>
#include <QUrl>
#include <QWidget>

namespace clipvoice::platform::testing {

// A browser pane that only records where it was told to go.
class RecordingWebPane final : public QWidget, public WebPane
{
    Q_OBJECT

public:
    using QWidget::QWidget;

    QWidget* widget() override { return this; }
    void navigate(const QUrl& address) override { navigations.append(address); }

    QList<QUrl> navigations;
};

} // namespace clipvoice::platform::testing
