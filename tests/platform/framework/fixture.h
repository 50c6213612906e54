// Identifiers of the framework tests' own dialogs, icon and controls.
#pragma once

#define IDD_PLAIN 200
#define IDD_SMALL 201
#define IDD_HUGE 202
#define IDD_MISSING 299
#define IDI_FIXTURE 300
#define IDI_MISSING 399

#define IDC_VALUE 1001
#define IDC_LABEL 1002
#define IDC_APPLY 1003
#define IDC_NESTED 1004
