// Loading the accessibility module and carrying actions from its thread to
// the front end's: a queue under a lock, and an event of the windowing
// library's own that wakes the loop sleeping in SDL_WaitEvent.
#include "frontends/window/accessibility/AccessibilityLink.h"

#include <SDL.h>

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <string_view>
#include <sys/stat.h>

namespace platform::frontends::window::accessibility {

namespace {

bool set_and_not_empty(char const* value)
{
    return value && *value;
}

// The module, or null when it cannot be loaded. Loaded once and never
// unloaded: its thread may outlive the link that started it.
StartFunction load_module()
{
    static StartFunction const start = []() -> StartFunction {
        std::error_code error;
        std::filesystem::path const executable = std::filesystem::read_symlink("/proc/self/exe", error);
        if (error)
            return nullptr;
        std::filesystem::path const module = executable.parent_path().parent_path() / "lib" / module_file_name;
        void* const handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            return nullptr;
        return reinterpret_cast<StartFunction>(dlsym(handle, module_entry_point));
    }();
    return start;
}

}

bool accessibility_bus_may_be_there()
{
    char const* const disabled = std::getenv("NO_AT_BRIDGE");
    if (disabled && std::string_view(disabled) == "1")
        return false;
    if (set_and_not_empty(std::getenv("AT_SPI_BUS_ADDRESS")))
        return true;
    if (char const* const session = std::getenv("DBUS_SESSION_BUS_ADDRESS"))
        return *session && !std::string_view(session).starts_with("disabled:");
    // Without the variable, D-Bus looks for the user's bus socket here.
    char const* const runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!set_and_not_empty(runtime))
        return false;
    struct stat status {};
    return stat((std::string(runtime) + "/bus").c_str(), &status) == 0 && S_ISSOCK(status.st_mode);
}

std::unique_ptr<AccessibilityLink> AccessibilityLink::start()
{
    if (!accessibility_bus_may_be_there())
        return nullptr;
    StartFunction const start_module = load_module();
    if (!start_module)
        return nullptr;
    std::unique_ptr<AccessibilityLink> link(new AccessibilityLink);
    static Uint32 const wake_event = SDL_RegisterEvents(1);
    if (wake_event == static_cast<Uint32>(-1))
        return nullptr;
    link->m_wake_event = wake_event;
    link->m_module.reset(start_module(module_interface_version, link.get()));
    if (!link->m_module)
        return nullptr;
    return link;
}

AccessibilityLink::~AccessibilityLink()
{
    // The module stops its thread (or leaves it, should the bus hang) before
    // this queue goes.
    m_module.reset();
}

void AccessibilityLink::update(DialogView const& view)
{
    m_module->update(view);
    if (!m_watching) {
        SDL_AddEventWatch(watch_focus, this);
        m_watching = true;
    }
}

void AccessibilityLink::hide()
{
    if (m_watching) {
        SDL_DelEventWatch(watch_focus, this);
        m_watching = false;
    }
    m_module->hide();
    std::lock_guard const lock(m_mutex);
    m_actions.clear();
}

int AccessibilityLink::watch_focus(void* link, SDL_Event* event)
{
    if (event->type == SDL_WINDOWEVENT) {
        if (event->window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
            static_cast<AccessibilityLink*>(link)->m_module->set_active(true);
        else if (event->window.event == SDL_WINDOWEVENT_FOCUS_LOST)
            static_cast<AccessibilityLink*>(link)->m_module->set_active(false);
    }
    return 0;
}

std::optional<InputEvent> AccessibilityLink::take_action()
{
    std::lock_guard const lock(m_mutex);
    if (m_actions.empty())
        return std::nullopt;
    InputEvent action = m_actions.front();
    m_actions.pop_front();
    return action;
}

void AccessibilityLink::post(std::vector<InputEvent> const& events)
{
    {
        std::lock_guard const lock(m_mutex);
        m_actions.insert(m_actions.end(), events.begin(), events.end());
    }
    SDL_Event wake {};
    wake.type = m_wake_event;
    SDL_PushEvent(&wake);
}

}
