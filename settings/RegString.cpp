// Writing and reading the program's text values in the registry.
#include "RegString.h"

// The data length stored for every text: 255 bytes, whatever the text's length.
// Values written by earlier releases have exactly this length, so it stays.
static const DWORD StoredTextBytes = 255;

// The room offered when a value is read back.
static const DWORD ReadRoomBytes = 2500;

static const TCHAR MakerKey[] = TEXT("Software\\Corvane");

// Builds the key path of `subkey` below the product key into `path`. FALSE when
// the path would not fit: the caller then makes no registry call at all rather
// than work on a cut-off key.
static BOOL ProductKeyPath(LPCTSTR subkey, TCHAR (&path)[MaxPathChars])
{
    // wsprintfW never writes more than 1024 characters, so the path is formed in
    // room of that size first and copied only once it is known to fit.
    TCHAR formed[1024];
    int length;
    if (subkey != NULL && subkey[0] != 0)
        length = wsprintfW(formed, TEXT("Software\\Corvane\\Tembrel\\%s"), subkey);
    else
        length = wsprintfW(formed, TEXT("Software\\Corvane\\Tembrel"));

    if (length < 0 || length >= MaxPathChars) {
        path[0] = 0;
        return FALSE;
    }
    for (int i = 0; i <= length; i++)
        path[i] = formed[i];
    return TRUE;
}

static BOOL CreateKey(LPCTSTR path, HKEY* key)
{
    DWORD disposition = 0;
    *key = NULL;
    return RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, key, &disposition)
        == ERROR_SUCCESS;
}

void WriteRegString(LPCTSTR subkey, LPCTSTR valueName, const TCHAR (&text)[MaxTextChars])
{
    TCHAR path[MaxPathChars];
    if (!ProductKeyPath(subkey, path))
        return;

    HKEY key;
    if (CreateKey(MakerKey, &key))
        RegCloseKey(key);

    if (!CreateKey(path, &key))
        return;
    RegSetValueExW(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), StoredTextBytes);
    RegCloseKey(key);
}

void ReadRegString(LPCTSTR subkey, LPCTSTR valueName, TCHAR (&out)[MaxTextChars])
{
    out[0] = 0;

    TCHAR path[MaxPathChars];
    if (!ProductKeyPath(subkey, path))
        return;

    // One character more than the room offered, so that whatever is read is
    // followed by a terminator even when the stored data has none.
    TCHAR data[ReadRoomBytes / sizeof(TCHAR) + 1] = { 0 };

    HKEY key;
    if (!CreateKey(path, &key))
        return;
    DWORD type = REG_NONE;
    DWORD size = ReadRoomBytes;
    LONG result = RegQueryValueExW(key, valueName, NULL, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);

    // A missing value, or one larger than the room offered, leaves the empty
    // string. Data read is cut at its last whole character.
    if (result != ERROR_SUCCESS || size > ReadRoomBytes)
        return;
    data[size / sizeof(TCHAR)] = 0;

    int i = 0;
    for (; i < MaxTextChars - 1 && data[i] != 0; i++)
        out[i] = data[i];
    out[i] = 0;
}
