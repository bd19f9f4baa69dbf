#pragma once
// Carries a call from any thread to the GUI thread and waits for it there.
// Workers reach the log and the plug-in list through this.
#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <exception>
#include <memory>

namespace gw {

class GuiThreadCall {
public:
    // The context object lives on the calling thread (the GUI thread).
    GuiThreadCall() : context_(new QObject, &release) {}

    // Runs `work` on the GUI thread: directly when called there, otherwise
    // queued to the context object while the caller waits (no lock is held
    // meanwhile). When the context goes away first, `work` is dropped and
    // the caller is released. Either way an exception from `work` reaches
    // the caller: the event loop must never see one, as Qt does not unwind
    // through it but ends the program.
    template <class Work>
    void run(Work&& work) const {
        QObject* context = context_.get();
        if (QThread::currentThread() == context->thread()) {
            work();
            return;
        }
        std::exception_ptr failure;
        QMetaObject::invokeMethod(
            context,
            [&work, &failure] {
                try {
                    work();
                } catch (...) {
                    failure = std::current_exception();
                }
            },
            Qt::BlockingQueuedConnection);
        if (failure) std::rethrow_exception(failure);
    }

private:
    // Every copy shares the context, so a worker that picked up a hook just
    // before it was removed still posts to a live object. The last copy may
    // go on a worker; the object is then deleted on its own thread.
    static void release(QObject* context) {
        if (QThread::currentThread() == context->thread())
            delete context;
        else
            context->deleteLater();
    }

    std::shared_ptr<QObject> context_;
};

} // namespace gw
