// Identifiers of Velquin's resources and of the bias dialog's controls, shared
// by the resource script and the program.
#pragma once

#define IDD_BIAS 102
#define IDI_APP 128

#define IDC_DAYLIGHT_BIAS 1002
#define IDC_STANDARD_BIAS 1006
#define IDC_STANDARD_DEFAULT 1007
#define IDC_DAYLIGHT_DEFAULT 1008
