// Identifiers of the script host's dialog (host.rc).
#pragma once

#define IDD_HOST 100
#define IDC_HOST_EDIT 1002
