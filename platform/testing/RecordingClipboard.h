#pragma once

#include "platform/Clipboard.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace clipvoice::platform::testing {

// A clipboard that holds either text or "something else" (a picture, say),
// and logs the calls made to it; and a primary selection, which only counts
// its reads (nothing may change it). Every change of what it holds counts as a
// copy, and a read is marked with the copy it saw.
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
        ++copies;
    }

    // With deferReads set, reads wait until the test delivers them, like a
    // large text the desktop clipboard reads in the background.
    void readText(const std::function<void(const ClipboardRead&)>& done) override
    {
        if (!deferReads) {
            done(markedRead());
            return;
        }
        pendingReads.append(done);
    }
    // Delivers the oldest pending read with what the clipboard holds now, or
    // with `read`, a text read earlier (something was copied during the read).
    void deliverRead() { pendingReads.takeFirst()(markedRead()); }
    void deliverRead(const ClipboardRead& read) { pendingReads.takeFirst()(read); }
    ClipboardRead markedRead() { return {text(), copies}; }

    bool clearIfUnchanged(const ClipboardRead& read) override
    {
        if (read.mark != copies) {
            calls.append(QStringLiteral("clear refused"));
            return false;
        }
        clear();
        return true;
    }

    bool supportsSelection() const override { return selectionSupported; }
    // With failSelectionReads set, reads report that they could not read
    // (an owner that did not answer).
    void readSelection(const std::function<void(const SelectionRead&)>& done) override
    {
        ++selectionReads;
        if (!selectionSupported || failSelectionReads) {
            done({});
            return;
        }
        done({true, selectedText});
    }
    void watchSelection(std::function<void()> changed) override
    {
        selectionChanged = std::move(changed);
    }

    // A program takes the selection with `text`: the watcher is told.
    void select(const QString& text)
    {
        selectedText = text;
        if (selectionChanged)
            selectionChanged();
    }
    // The program that holds the selection changes its text without taking
    // it again (a drag that goes on): nobody is told.
    void changeSelectionQuietly(const QString& text) { selectedText = text; }

    void setText(const QString& text)
    {
        heldText = text;
        holdsOtherData = false;
        ++copies;
    }
    void setPicture()
    {
        heldText.clear();
        holdsOtherData = true;
        ++copies;
    }
    bool isEmpty() const { return heldText.isEmpty() && !holdsOtherData; }

    QString heldText;
    bool holdsOtherData = false;
    QStringList calls;
    bool deferReads = false;
    QList<std::function<void(const ClipboardRead&)>> pendingReads;
    quint64 copies = 1; // marks start at 1: 0 means "no mark"

    bool selectionSupported = true;
    bool failSelectionReads = false;
    QString selectedText;
    int selectionReads = 0;
    std::function<void()> selectionChanged;
};

} // namespace clipvoice::platform::testing
