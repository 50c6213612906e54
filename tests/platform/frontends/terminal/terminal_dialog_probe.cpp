// A small program for the terminal tests: runs the program's own bias dialog
// template through the dialog manager and the terminal front end, with fields
// filled from PROBE_DAYLIGHT, PROBE_STANDARD and PROBE_DEFAULT (the text of
// both default labels), and prints how it ended once the terminal is back:
//     ended 1 daylight -45 standard 0
// While the dialog is up, every change of a field is reported on standard
// error, which the terminal front end must hold until the screen is restored.
// PROBE_CRASH=1 makes the user's first change of a field crash the process,
// PROBE_CRASH=stack makes it crash by running out of stack. Like the device's
// process entry, it chooses the front end (CE_DEVICE_UI) and hands it to the
// dialog manager before the dialog runs.
#include "dialog/DesktopWindow.h"
#include "frontends/FrontEnds.h"
#include "resource.h"
#include "windows.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace {

bool g_initialised = false;
int g_daylight = 0;
int g_standard = 0;

// Recurses until the stack is gone (long before the limit, which only the
// running program knows); the frame's buffer and the use of the result after
// the call keep the compiler from making it a loop.
volatile int g_depth_limit = 1 << 30;

[[gnu::noinline]] int exhaust_stack(int depth)
{
    if (depth >= g_depth_limit)
        return 0;
    volatile char frame[1024];
    frame[depth % sizeof frame] = static_cast<char>(depth);
    return exhaust_stack(depth + 1) + frame[0];
}

int number_from(char const* name, int fallback)
{
    char const* value = std::getenv(name);
    return value ? std::atoi(value) : fallback;
}

std::u16string text_from(char const* name, std::u16string fallback)
{
    char const* value = std::getenv(name);
    if (!value)
        return fallback;
    std::u16string text;
    for (char const* p = value; *p; ++p)
        text += static_cast<char16_t>(static_cast<unsigned char>(*p));
    return text;
}

INT_PTR CALLBACK probe_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        SetDlgItemInt(dialog, IDC_DAYLIGHT_BIAS, static_cast<UINT>(number_from("PROBE_DAYLIGHT", -60)), TRUE);
        SetDlgItemInt(dialog, IDC_STANDARD_BIAS, static_cast<UINT>(number_from("PROBE_STANDARD", 0)), TRUE);
        std::u16string defaults = text_from("PROBE_DEFAULT", u"Default: -60");
        SetDlgItemTextW(dialog, IDC_DAYLIGHT_DEFAULT, reinterpret_cast<LPCWSTR>(defaults.c_str()));
        SetDlgItemTextW(dialog, IDC_STANDARD_DEFAULT, reinterpret_cast<LPCWSTR>(defaults.c_str()));
        // Centred on the screen, as the program centres its dialog.
        RECT window {};
        GetWindowRect(dialog, &window);
        int width = window.right - window.left, height = window.bottom - window.top;
        SetWindowPos(dialog, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                     (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        g_initialised = true;
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDOK:
            g_daylight = static_cast<int>(GetDlgItemInt(dialog, IDC_DAYLIGHT_BIAS, nullptr, TRUE));
            g_standard = static_cast<int>(GetDlgItemInt(dialog, IDC_STANDARD_BIAS, nullptr, TRUE));
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case IDC_DAYLIGHT_BIAS:
        case IDC_STANDARD_BIAS:
            if (HIWORD(wparam) == EN_CHANGE) {
                if (char const* crash = std::getenv("PROBE_CRASH"); g_initialised && crash) {
                    if (std::string(crash) == "stack")
                        std::printf("%d\n", exhaust_stack(0));
                    std::raise(SIGSEGV);
                }
                std::fprintf(stderr, "probe: field %u changed\n", LOWORD(wparam));
            }
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}

}

int main()
{
    auto front_end = platform::frontends::choose_front_end();
    if (!front_end) {
        std::fprintf(stderr, "cannot show a dialog: %s\n", front_end.error().message.c_str());
        std::printf("ended -1\n");
        return 1;
    }
    platform::dialog::install_front_end(std::move(*front_end));
    INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_BIAS), nullptr,
                                     probe_procedure, 0);
    if (result == IDOK)
        std::printf("ended %d daylight %d standard %d\n", static_cast<int>(result), g_daylight, g_standard);
    else
        std::printf("ended %d\n", static_cast<int>(result));
    return result == -1 ? 1 : 0;
}
