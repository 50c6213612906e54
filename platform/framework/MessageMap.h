// Message maps: each command target class lists the commands it handles, and
// its map chains to its base class's map, so that a command reaches the handler
// of the most derived class that lists it. A class declares its map with
// DECLARE_MESSAGE_MAP() and defines it, in its source file, between
// BEGIN_MESSAGE_MAP(theClass, baseClass) and END_MESSAGE_MAP().
#pragma once

#include <windows.h>

#include "AfxDefs.h"

class CCmdTarget;

namespace platform::framework {

// Calls the listed member of the target. The target is always an object of the
// class whose map holds the entry (or of a class derived from it).
using CommandHandler = void (*)(CCmdTarget* target);

struct MessageMapEntry {
    UINT message;   // WM_COMMAND; 0 ends the table
    int code;       // CN_COMMAND, or the control's notification code
    UINT first_id;  // the identifiers handled, first_id..last_id
    UINT last_id;
    CommandHandler handler;
};

struct MessageMap {
    MessageMap const* (*base_map)(); // null for the root of the chain
    MessageMapEntry const* entries;
};

}

// The notification code of a command from a menu, an accelerator or the
// dialog manager; also BN_CLICKED, so a button's click is a command.
#define CN_COMMAND 0

// GetThisMessageMap is the class's own map; GetMessageMap gives the map of the
// object's most derived class.
#define DECLARE_MESSAGE_MAP()                                                        \
protected:                                                                           \
    static ::platform::framework::MessageMap const* PASCAL GetThisMessageMap();      \
    ::platform::framework::MessageMap const* GetMessageMap() const override;

#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                       \
    ::platform::framework::MessageMap const* theClass::GetMessageMap() const         \
    {                                                                                \
        return GetThisMessageMap();                                                  \
    }                                                                                \
    ::platform::framework::MessageMap const* PASCAL theClass::GetThisMessageMap()    \
    {                                                                                \
        using ThisClass [[maybe_unused]] = theClass;                                 \
        using TheBaseClass = baseClass;                                              \
        static ::platform::framework::MessageMapEntry const entries[] = {

#define END_MESSAGE_MAP()                                                            \
            { 0, 0, 0, 0, nullptr }                                                  \
        };                                                                           \
        static ::platform::framework::MessageMap const message_map = {              \
            &TheBaseClass::GetThisMessageMap, entries                                \
        };                                                                           \
        return &message_map;                                                         \
    }

// A handler is a member function taking nothing and returning void, named
// without its class: ON_COMMAND(IDC_APPLY, OnApply).
#define ON_CONTROL(wNotifyCode, id, memberFxn)                                       \
    { WM_COMMAND, static_cast<int>(wNotifyCode), static_cast<UINT>(id),              \
      static_cast<UINT>(id),                                                         \
      [](CCmdTarget* target) { static_cast<ThisClass*>(target)->memberFxn(); } },

#define ON_COMMAND(id, memberFxn) ON_CONTROL(CN_COMMAND, id, memberFxn)
#define ON_BN_CLICKED(id, memberFxn) ON_CONTROL(BN_CLICKED, id, memberFxn)
#define ON_EN_CHANGE(id, memberFxn) ON_CONTROL(EN_CHANGE, id, memberFxn)
#define ON_EN_SETFOCUS(id, memberFxn) ON_CONTROL(EN_SETFOCUS, id, memberFxn)
#define ON_EN_KILLFOCUS(id, memberFxn) ON_CONTROL(EN_KILLFOCUS, id, memberFxn)
