// A command target: an object with a message map, to which commands are routed
// by identifier and notification code.
#pragma once

#include <windows.h>

#include "CObject.h"
#include "MessageMap.h"

// Filled by OnCmdMsg, instead of calling the handler, when a caller only asks
// whether a command would be handled.
struct AFX_CMDHANDLERINFO {
    CCmdTarget* pTarget;
};

class CCmdTarget : public CObject {
public:
    CCmdTarget() = default;
    ~CCmdTarget() override = default;

    // Looks the command up in the map of this object's class, then in each base
    // class's map in turn, and calls the first handler found. Returns FALSE when
    // no map in the chain lists the command.
    virtual BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra, AFX_CMDHANDLERINFO* pHandlerInfo);

protected:
    static ::platform::framework::MessageMap const* PASCAL GetThisMessageMap();
    virtual ::platform::framework::MessageMap const* GetMessageMap() const;
};
