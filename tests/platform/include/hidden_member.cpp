// A dialog that calls the four-argument SendMessageW from inside a member: on
// the real SDK SendMessage is a macro for SendMessageW, so the framework's
// member CWnd::SendMessage is CWnd::SendMessageW and hides the global function;
// this file must not compile there, nor against the stand-in. With
// CE_QUALIFIED it calls ::SendMessageW, as a correct program does, and compiles.
#include <afxwin.h>

class CMistakeDlg : public CDialog {
public:
    CMistakeDlg()
        : CDialog(1u)
    {
    }

    BOOL OnInitDialog() override
    {
#ifdef CE_QUALIFIED
        ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, 0);
#else
        SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, 0);
#endif
        return TRUE;
    }
};
