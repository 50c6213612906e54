// The toolkit's part of ATK (AtkUtilClass): a listener for "toolkit:type:signal"
// is an emission hook on that signal of that type, so it hears the signal
// from every object of the type.
#include "frontends/window/accessibility/AtkToolkit.h"

#include <atk/atk.h>

#include <map>
#include <utility>

namespace platform::frontends::window::accessibility {

namespace {

AtkObject* g_root = nullptr;

// Each listener's signal and emission hook, by the id given for it. Never
// destroyed: the bridge lets go of its listeners when the front end ends,
// which may be while the process's static objects are being destroyed.
std::map<guint, std::pair<guint, gulong>>& listeners()
{
    static auto* const table = new std::map<guint, std::pair<guint, gulong>>;
    return *table;
}

guint add_global_event_listener(GSignalEmissionHook listener, gchar const* event_type)
{
    gchar** const parts = g_strsplit(event_type, ":", 3);
    guint id = 0;
    if (g_strv_length(parts) == 3) {
        GType const type = g_type_from_name(parts[1]);
        guint const signal = type ? g_signal_lookup(parts[2], type) : 0;
        if (signal) {
            gulong const hook = g_signal_add_emission_hook(signal, 0, listener, nullptr, nullptr);
            static guint next_id = 0;
            id = ++next_id;
            listeners()[id] = { signal, hook };
        }
    }
    g_strfreev(parts);
    return id;
}

void remove_global_event_listener(guint id)
{
    auto const found = listeners().find(id);
    if (found == listeners().end())
        return;
    g_signal_remove_emission_hook(found->second.first, found->second.second);
    listeners().erase(found);
}

AtkObject* get_root()
{
    return g_root;
}

gchar const* get_toolkit_name()
{
    return "ce-device";
}

gchar const* get_toolkit_version()
{
    return CE_DEVICE_VERSION;
}

}

void install_toolkit(AtkObject* root)
{
    g_root = root;
    auto* const util = static_cast<AtkUtilClass*>(g_type_class_ref(ATK_TYPE_UTIL));
    util->add_global_event_listener = add_global_event_listener;
    util->remove_global_event_listener = remove_global_event_listener;
    util->get_root = get_root;
    util->get_toolkit_name = get_toolkit_name;
    util->get_toolkit_version = get_toolkit_version;
}

}
