#include "agent/voice/SynthesisThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <mutex>

namespace clipvoice::agent::voice {

namespace {

struct State
{
    std::mutex lock;
    QThread* thread = nullptr;
    QObject* anchor = nullptr; // lives on the thread; jobs are queued to it
};

State& state()
{
    static State s;
    return s;
}

void shutDown()
{
    State& s = state();
    const std::lock_guard guard(s.lock);
    if (!s.thread) {
        return;
    }
    s.thread->quit();
    s.thread->wait();
    // The thread has ended, so its anchor can be deleted from here; jobs still
    // queued to it go with it, freeing what they hold. (A deleteLater queued
    // to the thread could be left undelivered when its loop ended first.)
    delete s.anchor;
    delete s.thread;
    s.thread = nullptr;
    s.anchor = nullptr;
}

} // namespace

void SynthesisThread::post(std::function<void()> job)
{
    State& s = state();
    const std::lock_guard guard(s.lock);
    if (!s.thread) {
        s.thread = new QThread;
        s.thread->setObjectName(QStringLiteral("clipvoice-synthesis"));
        s.anchor = new QObject;
        s.anchor->moveToThread(s.thread);
        s.thread->start();
        qAddPostRoutine(&shutDown);
    }
    QMetaObject::invokeMethod(s.anchor, std::move(job), Qt::QueuedConnection);
}

} // namespace clipvoice::agent::voice
