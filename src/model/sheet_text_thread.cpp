#include "model/sheet_text_thread.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>

namespace plattera {

namespace {

// Qt 6.4's FreeType engine draws text above 64 pixels from outlines that it loads without
// setting the face's transform, so they take the sub-pixel offset left by the last glyph loaded
// from the same face, which every size of one font file shares: after a window label drawn at
// x + 0.25, the sheets' 50-point text came out a few grey levels different. On a thread of
// their own the sheets have faces of their own, loaded only at whole-pixel positions.
class SheetTextThread {
public:
    SheetTextThread() : m_thread([this] { serve(); })
    {
        m_id = m_thread.get_id();
        m_thread.detach();
    }

    bool isCurrent() const { return std::this_thread::get_id() == m_id; }

    void run(const std::function<void()>& work)
    {
        std::lock_guard<std::mutex> oneCaller(m_callers);
        std::unique_lock<std::mutex> lock(m_mutex);
        m_work = &work;
        m_done = false;
        m_wake.notify_all();
        m_finished.wait(lock, [this] { return m_done; });
        if (m_error)
            std::rethrow_exception(std::exchange(m_error, nullptr));
    }

private:
    void serve()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_work != nullptr; });
            const std::function<void()>* work = std::exchange(m_work, nullptr);
            lock.unlock();
            std::exception_ptr error;
            try {
                (*work)();
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            m_error = error;
            m_done = true;
            m_finished.notify_all();
        }
    }

    std::mutex m_callers;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_finished;
    const std::function<void()>* m_work = nullptr;
    bool m_done = false;
    std::exception_ptr m_error;
    std::thread::id m_id;
    std::thread m_thread;
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
