// The application object and its one run of the bias dialog.
#include "BiasApp.h"

#include "BiasDlg.h"

BEGIN_MESSAGE_MAP(CBiasApp, CWinApp)
END_MESSAGE_MAP()

// The one application object, constructed before the program's entry runs.
CBiasApp theApp;

CBiasApp::CBiasApp()
    : CWinApp(NULL)
{
}

CBiasApp::~CBiasApp()
{
}

BOOL CBiasApp::InitInstance()
{
    CBiasDlg dlg;
    m_pMainWnd = &dlg;
    // Everything that depends on how the dialog ended happens inside it.
    dlg.DoModal();
    // The dialog goes with this call; the application keeps no pointer to it.
    m_pMainWnd = NULL;

    // FALSE: no message loop; the framework ends the program.
    return FALSE;
}
