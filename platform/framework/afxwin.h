// The application framework that a Windows CE MFC program is written against:
// the application object and its start-up, command targets with message maps,
// window objects and modal dialogs over the device's window API.
#pragma once

#include <windows.h>
#include <tchar.h>

#include "AfxDefs.h"
#include "MessageMap.h"
#include "CObject.h"
#include "CCmdTarget.h"
#include "CWinThread.h"
#include "CWinApp.h"
#include "CWnd.h"
#include "CDataExchange.h"
#include "CDialog.h"
#include "AfxGlobals.h"

