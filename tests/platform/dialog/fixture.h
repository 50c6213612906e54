// Identifiers of the dialog manager tests' own dialogs (fixture.rc).
#pragma once

// Shaped like a real settings dialog: a push button first, two edit fields,
// labels, a value label and an icon; title bar OK and close buttons.
#define IDD_FIELDS 100
#define IDC_OK_BUTTON 1
#define IDC_FIRST_EDIT 1002
#define IDC_SECOND_EDIT 1006
#define IDC_VALUE_LABEL 1007
#define IDI_FIXTURE 128

// A default push button that is not IDOK, a cancel button, a disabled tab stop
// and a hidden one, and an edit without sideways scrolling.
#define IDD_BUTTONS 101
#define IDC_APPLY 300
#define IDC_DISABLED 301
#define IDC_HIDDEN 302
#define IDC_FIXED_EDIT 303
#define IDC_NUMBER_EDIT 304

// Nothing that takes the tab: only labels.
#define IDD_LABELS 102
#define IDC_LABEL 400

// A control class the dialog manager cannot build.
#define IDD_LISTBOX 103

// No title bar buttons; DS_CENTER.
#define IDD_PLAIN 104
#define IDC_PLAIN_EDIT 500

// A disabled default button.
#define IDD_DISABLED_DEFAULT 105
#define IDC_DISABLED_DEFAULT 600
