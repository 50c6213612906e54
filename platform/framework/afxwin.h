// The application framework that a Windows CE MFC program is written against:
// the application object and its start-up, command targets with message maps,
// window objects and modal dialogs over the device's window API.
#pragma once

#include <windows.h>
#include <tchar.h>

#include "framework/AfxDefs.h"
#include "framework/MessageMap.h"
#include "framework/CObject.h"
#include "framework/CCmdTarget.h"
#include "framework/CWinThread.h"
#include "framework/CWinApp.h"
#include "framework/CWnd.h"
#include "framework/CDataExchange.h"
#include "framework/CDialog.h"
#include "framework/AfxGlobals.h"

