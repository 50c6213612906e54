// A small program written as a device program is (one global application
// object, a WinMain handing over to AfxWinMain, a dialog as its main window),
// for the process-entry test. It reports what WinMain received on standard
// error, as one JSON line after "winmain ", and takes "exit=N" from its command
// line as ExitInstance's result.
#include "afxwin.h"
#include "fixture.h"

#include "text/Utf.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <string>

class CProbeApp : public CWinApp {
public:
    BOOL InitInstance() override
    {
        CDialog dialog(IDD_PLAIN);
        m_pMainWnd = &dialog;
        INT_PTR const result = dialog.DoModal();
        std::fprintf(stderr, "dialog %d\n", static_cast<int>(result));
        return FALSE;
    }

    int ExitInstance() override
    {
        std::u16string const line = m_lpCmdLine ? m_lpCmdLine : u"";
        auto const at = line.find(u"exit=");
        if (at == std::u16string::npos)
            return CWinApp::ExitInstance();
        return std::stoi(platform::text::to_utf8(line.substr(at + 5)));
    }
};

CProbeApp theApp;

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow)
{
    nlohmann::json const report = {
        { "instance", hInstance != nullptr && hInstance == GetModuleHandleW(nullptr) },
        { "previous", hPrevInstance == nullptr ? "null" : "set" },
        { "command_line", lpCmdLine ? platform::text::to_utf8(lpCmdLine) : "(null)" },
        { "show", nCmdShow },
        { "application", AfxGetApp() == &theApp },
    };
    std::fprintf(stderr, "winmain %s\n", report.dump().c_str());
    return AfxWinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
