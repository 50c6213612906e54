// Command routing through the chain of message maps.
#include "CCmdTarget.h"

namespace {

::platform::framework::MessageMapEntry const no_entries[] = {
    { 0, 0, 0, 0, nullptr },
};

::platform::framework::MessageMap const root_map = { nullptr, no_entries };

}

::platform::framework::MessageMap const* PASCAL CCmdTarget::GetThisMessageMap()
{
    return &root_map;
}

::platform::framework::MessageMap const* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, void*, AFX_CMDHANDLERINFO* pHandlerInfo)
{
    for (auto const* map = GetMessageMap(); map; map = map->base_map ? map->base_map() : nullptr) {
        for (auto const* entry = map->entries; entry->message != 0; ++entry) {
            if (entry->message != WM_COMMAND || entry->code != nCode || nID < entry->first_id
                || nID > entry->last_id)
                continue;
            if (pHandlerInfo) {
                pHandlerInfo->pTarget = this;
                return TRUE;
            }
            entry->handler(this);
            return TRUE;
        }
    }
    return FALSE;
}
