// The accessibility module's entry point and its thread. The AT-SPI bridge
// and every ATK object live in this one thread, which runs GLib's main
// context and nothing else: the front end's loop sleeps in the windowing
// library, which cannot also wait on GLib's descriptors, and a bus that is
// slow or hangs (the bridge asks it for the accessibility bus's address and
// waits for the answer) holds up this thread, never the dialog.
//
// The front end's calls only leave the latest snapshot here and wake the
// thread; the thread takes it when it gets to it, so a burst of changes is
// announced as one.
#include "frontends/window/accessibility/AccessibleNode.h"
#include "frontends/window/accessibility/AccessibleTree.h"
#include "frontends/window/accessibility/AtkToolkit.h"
#include "frontends/window/accessibility/DialogAccessibility.h"

#include <atk-bridge.h>
#include <atk/atk.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace platform::frontends::window::accessibility {

namespace {

// What the two threads share. The bus thread holds it as long as it runs,
// which may be longer than the front end holds the module.
struct Shared {
    // The sink has a lock of its own, held while actions go to it: the sink
    // wakes the windowing library's loop, which may be calling set_active()
    // under its own lock at that moment, and set_active() takes `mutex`.
    std::mutex sink_mutex;
    ActionSink* sink { nullptr }; // null once the front end lets go
    bool accepting { false };     // between an update and hide()

    std::mutex mutex;
    std::condition_variable finished_changed;
    bool has_pending { false };
    std::optional<DialogView> pending; // none: hide the dialog
    std::optional<bool> pending_active;
    bool scheduled { false };
    bool stopping { false };
    bool finished { false };
    GMainContext* context { nullptr };
    GMainLoop* loop { nullptr };

    // The bus thread's alone.
    std::unique_ptr<AccessibleTree> tree;
};

void post_actions(Shared& shared, std::vector<InputEvent> const& events)
{
    std::lock_guard const lock(shared.sink_mutex);
    if (shared.sink && shared.accepting)
        shared.sink->post(events);
}

gboolean apply_pending(gpointer data)
{
    Shared& shared = *static_cast<Shared*>(data);
    bool has_view = false;
    std::optional<DialogView> view;
    std::optional<bool> active;
    {
        std::lock_guard const lock(shared.mutex);
        shared.scheduled = false;
        has_view = shared.has_pending;
        shared.has_pending = false;
        view = std::move(shared.pending);
        shared.pending.reset();
        active = shared.pending_active;
        shared.pending_active.reset();
    }
    if (has_view && view)
        shared.tree->update(*view);
    else if (has_view)
        shared.tree->clear();
    if (active)
        shared.tree->set_active(*active);
    return G_SOURCE_REMOVE;
}

// With the lock held.
void schedule(Shared& shared)
{
    if (shared.scheduled || shared.finished)
        return;
    shared.scheduled = true;
    GSource* const source = g_idle_source_new();
    g_source_set_callback(source, apply_pending, &shared, nullptr);
    g_source_attach(source, shared.context);
    g_source_unref(source);
}

// Ends the loop from within: a quit asked for before the loop has begun to
// run would be forgotten as it begins.
gboolean stop_loop(gpointer data)
{
    g_main_loop_quit(static_cast<Shared*>(data)->loop);
    return G_SOURCE_REMOVE;
}

// The bus libraries warn on standard error when no accessibility bus
// answers, which is no fault of the user's; only criticals get through.
GLogWriterOutput quiet_writer(GLogLevelFlags level, GLogField const* fields, gsize count, gpointer data)
{
    if (level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL))
        return g_log_writer_default(level, fields, count, data);
    return G_LOG_WRITER_HANDLED;
}

void run(std::shared_ptr<Shared> shared)
{
    static std::once_flag quiet;
    std::call_once(quiet, [] { g_log_set_writer_func(quiet_writer, nullptr, nullptr); });

    register_accessible_types();
    Shared* const raw = shared.get();
    shared->tree = std::make_unique<AccessibleTree>(
        [raw](std::vector<InputEvent> const& events) { post_actions(*raw, events); });
    install_toolkit(shared->tree->root());
    // The application is named after its first dialog before it registers.
    apply_pending(raw);
    if (atk_bridge_adaptor_init(nullptr, nullptr) == 0) {
        {
            std::lock_guard const lock(shared->mutex);
            if (!shared->stopping)
                shared->loop = g_main_loop_new(shared->context, FALSE);
        }
        if (shared->loop) {
            g_main_loop_run(shared->loop);
            {
                std::lock_guard const lock(shared->mutex);
                g_main_loop_unref(shared->loop);
                shared->loop = nullptr;
            }
            // Whatever came last, and then the dialog's going.
            shared->tree->clear();
            g_main_context_iteration(shared->context, FALSE);
        }
        atk_bridge_adaptor_cleanup();
    }
    shared->tree.reset();
    {
        std::lock_guard const lock(shared->sink_mutex);
        shared->sink = nullptr;
    }
    {
        std::lock_guard const lock(shared->mutex);
        shared->finished = true;
    }
    shared->finished_changed.notify_all();
}

class BusThread final : public DialogAccessibility {
public:
    explicit BusThread(ActionSink* sink)
        : m_shared(std::make_shared<Shared>())
    {
        m_shared->sink = sink;
        m_shared->context = g_main_context_default();
        m_thread = std::thread(run, m_shared);
    }

    ~BusThread() override
    {
        {
            std::lock_guard const sink_lock(m_shared->sink_mutex);
            m_shared->sink = nullptr;
        }
        std::unique_lock lock(m_shared->mutex);
        m_shared->stopping = true;
        if (m_shared->loop) {
            GSource* const source = g_idle_source_new();
            g_source_set_priority(source, G_PRIORITY_HIGH);
            g_source_set_callback(source, stop_loop, m_shared.get(), nullptr);
            g_source_attach(source, m_shared->context);
            g_source_unref(source);
        }
        // Long enough to leave the bus in good order; a bus that does not
        // answer keeps the thread, not the program.
        bool const finished = m_shared->finished_changed.wait_for(lock, std::chrono::milliseconds(250),
                                                                  [this] { return m_shared->finished; });
        lock.unlock();
        if (finished)
            m_thread.join();
        else
            m_thread.detach();
    }

    BusThread(BusThread const&) = delete;
    BusThread& operator=(BusThread const&) = delete;

    void update(DialogView const& view) override
    {
        {
            std::lock_guard const sink_lock(m_shared->sink_mutex);
            m_shared->accepting = true;
        }
        std::lock_guard const lock(m_shared->mutex);
        if (m_shared->finished)
            return;
        m_shared->pending = view;
        m_shared->has_pending = true;
        schedule(*m_shared);
    }

    void hide() override
    {
        {
            std::lock_guard const sink_lock(m_shared->sink_mutex);
            m_shared->accepting = false;
        }
        std::lock_guard const lock(m_shared->mutex);
        if (m_shared->finished)
            return;
        m_shared->pending.reset();
        m_shared->has_pending = true;
        schedule(*m_shared);
    }

    void set_active(bool active) override
    {
        std::lock_guard const lock(m_shared->mutex);
        if (m_shared->finished)
            return;
        m_shared->pending_active = active;
        schedule(*m_shared);
    }

private:
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};

}

}

extern "C" __attribute__((visibility("default"))) platform::frontends::window::accessibility::DialogAccessibility*
ce_accessibility_start(int version, platform::frontends::window::accessibility::ActionSink* sink)
{
    using namespace platform::frontends::window::accessibility;
    if (version != module_interface_version || !sink)
        return nullptr;
    return new BusThread(sink);
}
