#pragma once
// Runs Linux commands from a test that itself runs under Wine, and maps Linux paths for Win32.
#include <string>

// The Win32 name of a Linux path ("/tmp/x" -> "Z:\tmp\x").
std::string WindowsPathOf(const std::string& unixPath);
// The Linux folder of the test environment (scripts/test sets it), or raises.
std::string TestEnvDir();
// The Wine prefix of the running test, as a Linux path.
std::string WinePrefixDir();
// Runs a /bin/sh script on the Linux side and waits for it; returns its exit status.
// Raises when it does not finish within timeoutMs.
int RunUnixScript(const std::string& script, unsigned timeoutMs = 20000);
