#include "model/sheet_text_thread.h"

#include <exception>

#include <QObject>
#include <QThread>

namespace plattera {

namespace {

// Qt 6.4's FreeType engine draws text above 64 pixels from outlines that it loads without
// setting the face's transform, so they take the sub-pixel offset left by the last glyph loaded
// from the same face, which every size of one font file shares: after a window label drawn at
// x + 0.25, the sheets' 50-point text came out a few grey levels different. On a thread of
// their own the sheets have faces of their own, loaded only at whole-pixel positions. The
// thread runs an event loop so that its font cache trims itself on its timer, as the main
// thread's does.
class SheetTextThread {
public:
    SheetTextThread()
    {
        m_thread.setObjectName(QStringLiteral("sheet text"));
        m_thread.start();
        m_context.moveToThread(&m_thread);
    }

    bool isCurrent() const { return QThread::currentThread() == &m_thread; }

    void run(const std::function<void()>& work)
    {
        std::exception_ptr error;
        QMetaObject::invokeMethod(
            &m_context,
            [&] {
                try {
                    work();
                } catch (...) {
                    error = std::current_exception();
                }
            },
            Qt::BlockingQueuedConnection);
        if (error)
            std::rethrow_exception(error);
    }

private:
    QThread m_thread;
    QObject m_context;
};

} // namespace

void onSheetTextThread(const std::function<void()>& work)
{
    // Never ended: it waits for work until the process ends, so no exit has to wait for it.
    static SheetTextThread* const thread = new SheetTextThread;
    if (thread->isCurrent())
        work();
    else
        thread->run(work);
}

} // namespace plattera
