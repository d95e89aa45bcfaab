// Stands in for a browser: writes the command line it was started with to
// the file named by PYROLUX_LINK_RECORD, then ends.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char path[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("PYROLUX_LINK_RECORD", path, MAX_PATH))
        return 1;
    // Written under a temporary name and renamed, so a reader never sees
    // half a line.
    char temporary[MAX_PATH + 8];
    wsprintfA(temporary, "%s.tmp", path);
    HANDLE file = CreateFileA(temporary, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 2;
    const char* line = GetCommandLineA();
    DWORD written = 0;
    WriteFile(file, line, lstrlenA(line), &written, nullptr);
    CloseHandle(file);
    return MoveFileExA(temporary, path, MOVEFILE_REPLACE_EXISTING) ? 0 : 3;
}
