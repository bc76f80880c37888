#include "sConst.h"

#include <windows.h>

int acUnknownSize = -99;
int acGlobalValue = 0;
bool acGlobalFlag = false;
int acScrollArrowWidth = GetSystemMetrics(SM_CXHSCROLL);

namespace {

OSVERSIONINFOA WindowsVersion() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    // Without an answer the library takes the oldest platform it knows, which paints the most conservatively.
    if (!GetVersionExA(&info))
        info = {};
    return info;
}

const OSVERSIONINFOA acWindowsVersion = WindowsVersion();

}  // namespace

bool acWinNT = acWindowsVersion.dwPlatformId == VER_PLATFORM_WIN32_NT;
DWORD acWinMajorVersion = acWindowsVersion.dwMajorVersion;
