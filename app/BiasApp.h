// The application: runs the bias dialog once and ends when it closes.
#pragma once

#include <afxwin.h>

class CBiasApp : public CWinApp
{
public:
    CBiasApp();
    virtual ~CBiasApp();

    virtual BOOL InitInstance();

    DECLARE_MESSAGE_MAP()
};
