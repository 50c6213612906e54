// The defaults shown under the bias fields: the biases the device held when the
// dialog was first opened, recorded then as two texts in the registry and never
// rewritten while either of them is present.
#include "BiasDlg.h"

static const TCHAR DefaultsKey[] = TEXT("DEFAULTS");
static const TCHAR DaylightValue[] = TEXT("DayLight");
static const TCHAR StandardValue[] = TEXT("Standard");

void CBiasDlg::ReadDefaults(TCHAR (&daylight)[MaxTextChars], TCHAR (&standard)[MaxTextChars])
{
    daylight[0] = 0;
    standard[0] = 0;
    ReadRegString(DefaultsKey, DaylightValue, daylight);
    ReadRegString(DefaultsKey, StandardValue, standard);
}

void CBiasDlg::RecordDefaults(const TIME_ZONE_INFORMATION& tzi, TCHAR (&daylight)[MaxTextChars],
                              TCHAR (&standard)[MaxTextChars])
{
    // Only a device with neither text is on its first run; one text alone, say
    // the other deleted by hand, is left as it is.
    if (daylight[0] != 0 || standard[0] != 0)
        return;

    wsprintfW(daylight, TEXT("Default: %d"), tzi.DaylightBias);
    wsprintfW(standard, TEXT("Default: %d"), tzi.StandardBias);
    WriteRegString(DefaultsKey, DaylightValue, daylight);
    WriteRegString(DefaultsKey, StandardValue, standard);
}

void CBiasDlg::ShowDefaults(const TCHAR (&daylight)[MaxTextChars], const TCHAR (&standard)[MaxTextChars])
{
    SetDlgItemText(IDC_DAYLIGHT_DEFAULT, daylight);
    SetDlgItemText(IDC_STANDARD_DEFAULT, standard);
}
