// The bias dialog's construction, initialisation and confirmation.
#include "BiasDlg.h"

BEGIN_MESSAGE_MAP(CBiasDlg, CDialog)
END_MESSAGE_MAP()

CBiasDlg::CBiasDlg(CWnd* pParent)
    : CDialog(CBiasDlg::IDD, pParent)
{
    m_hIcon = LoadIconW(AfxFindResourceHandle(MAKEINTRESOURCE(IDI_APP), RT_GROUP_ICON), MAKEINTRESOURCE(IDI_APP));
}

CBiasDlg::~CBiasDlg()
{
}

void CBiasDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
}

BOOL CBiasDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    TCHAR daylight[MaxTextChars] = { 0 };
    TCHAR standard[MaxTextChars] = { 0 };
    ReadDefaults(daylight, standard);

    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, (LPARAM)m_hIcon);
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, (LPARAM)m_hIcon);

    CenterWindow(GetDesktopWindow());

    TIME_ZONE_INFORMATION tzi = {};
    if (GetTimeZoneInformation(&tzi) != TIME_ZONE_ID_INVALID)
        RecordDefaults(tzi, daylight, standard);
    // A record that could not be read shows as zero biases, but zeroes that were
    // never on the device are not recorded as its defaults.

    SetDlgItemInt(IDC_DAYLIGHT_BIAS, tzi.DaylightBias, TRUE);
    SetDlgItemInt(IDC_STANDARD_BIAS, tzi.StandardBias, TRUE);

    ShowDefaults(daylight, standard);

    // TRUE: the dialog manager gives the focus to the first tab stop, the OK button.
    return TRUE;
}

void CBiasDlg::OnOK()
{
    // Read afresh: whatever changed in the record while the dialog was open is
    // carried over, and only the two biases are replaced.
    TIME_ZONE_INFORMATION tzi = {};
    if (GetTimeZoneInformation(&tzi) != TIME_ZONE_ID_INVALID) {
        tzi.DaylightBias = (LONG)GetDlgItemInt(IDC_DAYLIGHT_BIAS, NULL, TRUE);
        tzi.StandardBias = (LONG)GetDlgItemInt(IDC_STANDARD_BIAS, NULL, TRUE);
        SetTimeZoneInformation(&tzi);
    }
    // A record that could not be read is not replaced by one made of zeroes and
    // the two biases; the dialog closes all the same, as when writing fails.

    CDialog::OnOK();
}
