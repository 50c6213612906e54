// A test tool run under Wine beside the program, through the real user32 and
// advapi32 from outside the program: it waits for the program's dialog and
// reports what it shows, finds its close button, and reads and prepares the
// program's recorded defaults. Answers are "name=value" lines; texts show
// every character outside printable ASCII (and the backslash) as \uXXXX.
//
//   wine_probe show [SECONDS]      the dialog's fields, defaults, focused control
//   wine_probe gone [SECONDS]      waits until the dialog is gone
//   wine_probe close-button        the screen point of the dialog's close button
//   wine_probe defaults            both recorded values: type, size and bytes
//   wine_probe clear               removes the recorded values' key
//   wine_probe set NAME TEXT       stores TEXT as the REG_SZ value NAME
//   wine_probe set-empty NAME      stores NAME as a REG_SZ of two zero bytes
//   wine_probe time-zone           the time-zone record's 172 bytes, in hex
//
// Exit status 0 on success, 1 when the dialog did not come (or go) in time or
// a registry call failed.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

wchar_t const DefaultsKey[] = L"Software\\Corvane\\Tembrel\\DEFAULTS";
wchar_t const* const ValueNames[] = { L"DayLight", L"Standard" };

HWND find_dialog()
{
    return FindWindowW(L"#32770", L"Velquin");
}

std::string shown(std::wstring const& text)
{
    std::string out;
    for (wchar_t const c : text) {
        if (c >= 0x20 && c < 0x7F && c != L'\\') {
            out += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
            out += escaped;
        }
    }
    return out;
}

std::string narrow(wchar_t const* text)
{
    return shown(text);
}

std::string hex(void const* data, std::size_t size)
{
    std::string out;
    auto const* bytes = static_cast<unsigned char const*>(data);
    for (std::size_t i = 0; i < size; i++) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        out += pair;
    }
    return out;
}

std::wstring item_text(HWND dialog, int id)
{
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

// The dialog once it is visible (its WM_INITDIALOG has run), or once it is
// gone; null when that did not happen within the time.
bool wait_for(bool present, int seconds, HWND* dialog)
{
    for (int i = 0; i <= seconds * 20; i++) {
        *dialog = find_dialog();
        if (present ? (*dialog && IsWindowVisible(*dialog)) : !*dialog)
            return true;
        Sleep(50);
    }
    return false;
}

int show(int seconds)
{
    HWND dialog = nullptr;
    if (!wait_for(true, seconds, &dialog)) {
        std::printf("dialog=none\n");
        return 1;
    }
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof thread;
    int focus = 0;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread) && thread.hwndFocus)
        focus = GetDlgCtrlID(thread.hwndFocus);
    std::printf("daylight=%s\n", shown(item_text(dialog, 1002)).c_str());
    std::printf("standard=%s\n", shown(item_text(dialog, 1006)).c_str());
    std::printf("daylight_default=%s\n", shown(item_text(dialog, 1008)).c_str());
    std::printf("standard_default=%s\n", shown(item_text(dialog, 1007)).c_str());
    std::printf("focus=%d\n", focus);
    return 0;
}

// The close button is where the dialog's own hit test says HTCLOSE: the first
// such point along the middle of the title bar, from the right.
int close_button()
{
    HWND dialog = nullptr;
    if (!wait_for(true, 20, &dialog))
        return 1;
    RECT window;
    RECT client;
    GetWindowRect(dialog, &window);
    GetClientRect(dialog, &client);
    POINT origin = { 0, 0 };
    ClientToScreen(dialog, &origin);
    int const caption_middle = (window.top + origin.y) / 2;
    for (int x = window.right - 1; x > window.left; x--) {
        LRESULT const hit = SendMessageW(dialog, WM_NCHITTEST, 0, MAKELPARAM(x, caption_middle));
        if (hit == HTCLOSE) {
            // The middle of the button: go on to its left edge.
            int left = x;
            while (left > window.left
                   && SendMessageW(dialog, WM_NCHITTEST, 0, MAKELPARAM(left - 1, caption_middle)) == HTCLOSE)
                left--;
            std::printf("x=%d\ny=%d\n", (left + x) / 2, caption_middle);
            return 0;
        }
    }
    std::printf("close=none\n");
    return 1;
}

int defaults()
{
    HKEY key = nullptr;
    LONG const opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, DefaultsKey, 0, KEY_READ, &key);
    for (wchar_t const* name : ValueNames) {
        std::vector<BYTE> data(8192);
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (opened != ERROR_SUCCESS
            || RegQueryValueExW(key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) {
            std::printf("%s=absent\n", narrow(name).c_str());
            continue;
        }
        std::printf("%s=type %lu size %lu data %s\n", narrow(name).c_str(), type, size, hex(data.data(), size).c_str());
    }
    if (opened == ERROR_SUCCESS)
        RegCloseKey(key);
    return 0;
}

int clear()
{
    LONG const result = RegDeleteKeyW(HKEY_LOCAL_MACHINE, DefaultsKey);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND ? 0 : 1;
}

int set(wchar_t const* name, wchar_t const* text)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, DefaultsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return 1;
    DWORD const size = static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t));
    LONG const result = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<BYTE const*>(text), size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? 0 : 1;
}

int time_zone()
{
    TIME_ZONE_INFORMATION record = {};
    if (GetTimeZoneInformation(&record) == TIME_ZONE_ID_INVALID)
        return 1;
    std::printf("record=%s\n", hex(&record, sizeof record).c_str());
    return 0;
}

}

int wmain(int argc, wchar_t** argv)
{
    std::wstring const command = argc > 1 ? argv[1] : L"";
    int const seconds = argc > 2 ? _wtoi(argv[2]) : 20;
    if (command == L"show")
        return show(seconds);
    if (command == L"gone") {
        HWND dialog = nullptr;
        return wait_for(false, seconds, &dialog) ? 0 : 1;
    }
    if (command == L"close-button")
        return close_button();
    if (command == L"defaults")
        return defaults();
    if (command == L"clear")
        return clear();
    if (command == L"set" && argc == 4)
        return set(argv[2], argv[3]);
    if (command == L"set-empty" && argc == 3)
        return set(argv[2], L"");
    if (command == L"time-zone")
        return time_zone();
    std::fprintf(stderr, "wine_probe: unknown command\n");
    return 2;
}
