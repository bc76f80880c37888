#include "sConst.h"

#include <windows.h>

int acUnknownSize = -99;
int acGlobalValue = 0;
bool acGlobalFlag = false;
int acScrollArrowWidth = GetSystemMetrics(SM_CXHSCROLL);
