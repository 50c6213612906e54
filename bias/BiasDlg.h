// The bias dialog: shows the daylight and standard biases of the device's
// time-zone record, writes the typed ones back on OK, and shows beside them the
// defaults recorded on the program's first run.
#pragma once

#include <afxwin.h>

#include "resource.h"
#include "RegString.h"

class CBiasDlg : public CDialog
{
public:
    CBiasDlg(CWnd* pParent = NULL);
    virtual ~CBiasDlg();

    enum { IDD = IDD_BIAS };

protected:
    HICON m_hIcon;

    virtual void DoDataExchange(CDataExchange* pDX);
    virtual BOOL OnInitDialog();
    virtual void OnOK();

    DECLARE_MESSAGE_MAP()

private:
    // The recorded defaults, in the order the initialisation uses them.
    void ReadDefaults(TCHAR (&daylight)[MaxTextChars], TCHAR (&standard)[MaxTextChars]);
    void RecordDefaults(const TIME_ZONE_INFORMATION& tzi, TCHAR (&daylight)[MaxTextChars],
                        TCHAR (&standard)[MaxTextChars]);
    void ShowDefaults(const TCHAR (&daylight)[MaxTextChars], const TCHAR (&standard)[MaxTextChars]);
};
