// A stand-in wsock32.dll for the refused-load test: WSAStartup fails
// (PYROLUX_WSA_STUB=fail) or offers only version 2.2 (=version).
#include <windows.h>

// WSADATA begins with the agreed version and the highest one on offer.
struct WsaVersions {
    WORD wVersion;
    WORD wHighVersion;
};

extern "C" int WINAPI WSAStartup(WORD, WsaVersions* data)
{
    char mode[16] = {};
    GetEnvironmentVariableA("PYROLUX_WSA_STUB", mode, sizeof mode);
    if (lstrcmpA(mode, "version") == 0) {
        data->wVersion = MAKEWORD(2, 2);
        data->wHighVersion = MAKEWORD(2, 2);
        return 0;
    }
    return 10091;  // WSASYSNOTREADY
}

extern "C" int WINAPI WSACleanup()
{
    return 0;
}
