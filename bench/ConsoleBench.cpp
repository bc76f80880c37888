// The console under a long flood, against the floor of Wine's bare controls measured in the same run.
// For 64-byte and 4 KiB writes: the far end sends 20 MB of modem text as fast as the pseudo-terminal takes it while
// the main window runs with both logs, and the benchmark prints the bytes per second both logs absorb, what taking a
// KiB into them costs in the first and in the last tenth of the flood, the peak working set, and how long the main window
// takes to answer a message meanwhile. The floor is a bare edit and a bare rich edit in the console's styles, fed
// the same writes one append each, with nothing of the class library or the console around them.
// Each measurement runs in a process of its own, so the working set of one is not counted in another's.
// Run it with scripts/bench console_bench (it needs the test environment for its serial peer and display).
#include "bench/BenchClock.h"
#include "classlib/visual/Forms.h"
#include "console/uAbout.h"
#include "console/uHEXLog.h"
#include "console/uHExLogOpt.h"
#include "console/uMain.h"
#include "console/uOption.h"
#include "tests/support/SerialPeer.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixCommand.h"

#include <windows.h>
#include <psapi.h>
#include <richedit.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <numeric>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr size_t MB = 1000 * 1000;
constexpr size_t FloodSize = 20 * MB;
// The bare controls hold everything they are given, about 250 bytes a character in the rich edit: they are fed
// what they survive in a 32-bit process, as much as their appends cost measurably more at the end than at the start.
size_t FloorSize(size_t chunk) { return chunk >= 4096 ? 1 * MB : 128 * 1000; }

// The console's goals for a long session.
constexpr double PeakWorkingSetGoalMB = 300;
constexpr double AppendGrowthGoal = 1.5;
constexpr double AnswerGoalMs = 100;
constexpr double FloorShareGoal = 0.9;

// What a modem says when a phone book or a message store is read out: lines of text ending in CR LF.
std::string ModemText(size_t size) {
    std::string s;
    s.reserve(size + 128);
    for (int i = 0; s.size() < size; ++i)
        s += "+CMGL: " + std::to_string(i) + ",\"REC READ\",\"+15551234\",,\"26/12/09,13:04:30+00\"\r\nHello " +
             std::to_string(i * 7919 % 100000) + "\r\n";
    s.resize(size);
    return s;
}

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS m{};
    m.cb = sizeof m;
    GetProcessMemoryInfo(GetCurrentProcess(), &m, sizeof m);
    return m;
}

double PeakWorkingSetMB() { return static_cast<double>(Memory().PeakWorkingSetSize) / MB; }

double Percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

// One append: how many bytes it took in and how long it took.
struct TAppend {
    int Bytes;
    double Seconds;
};

// The mean cost of an append over a tenth of them (0: the first, 9: the last), in seconds, and per KiB taken in.
struct TTenth {
    double PerAppend = 0, PerKiB = 0;
};
TTenth Tenth(const std::vector<TAppend>& appends, size_t which) {
    size_t from = appends.size() * which / 10, to = appends.size() * (which + 1) / 10;
    TTenth t;
    if (to <= from)
        return t;
    double seconds = 0, bytes = 0;
    for (size_t i = from; i < to; ++i) {
        seconds += appends[i].Seconds;
        bytes += appends[i].Bytes;
    }
    t.PerAppend = seconds / static_cast<double>(to - from);
    t.PerKiB = bytes > 0 ? seconds / bytes * 1024 : 0;
    return t;
}

// Asks a window with a message every 20 ms from another thread and keeps how long each answer took.
class TResponseProbe {
public:
    explicit TResponseProbe(HWND Window) : FWindow(Window), FThread([this] { Run(); }) {}
    ~TResponseProbe() { Stop(); }
    // The last question may be on its way: the window must go on answering until the probe has its reply, or
    // the probe would wait out its whole timeout and count it against the window.
    void StopWhilePumping() {
        FStop = true;
        while (!FDone)
            Application->HandleMessage();
        Stop();
    }
    const std::vector<double>& Samples() const { return FSamples; }

private:
    void Stop() {
        FStop = true;
        if (FThread.joinable())
            FThread.join();
    }
    void Run() {
        while (!FStop) {
            double start = Now();
            DWORD_PTR result = 0;
            if (!SendMessageTimeoutA(FWindow, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result))
                FSamples.push_back(10.0);
            else
                FSamples.push_back(Now() - start);
            Sleep(20);
        }
        FDone = true;
    }
    HWND FWindow;
    std::atomic<bool> FStop{false};
    std::atomic<bool> FDone{false};
    std::vector<double> FSamples;
    std::thread FThread;
};

// A line a parent process reads back: "result <name> key=value ...".
void PrintResult(const std::string& name, const std::map<std::string, double>& values) {
    std::printf("result %s", name.c_str());
    for (const auto& [key, value] : values)
        std::printf(" %s=%.6g", key.c_str(), value);
    std::printf("\n");
}

void PrintAppends(const char* who, const std::vector<TAppend>& appends) {
    TTenth first = Tenth(appends, 0), last = Tenth(appends, 9);
    std::printf("  %s: an append costs %.2f ms (%.2f ms per KiB) in the first tenth of the %zu appends, %.2f ms "
                "(%.2f ms per KiB) in the last\n",
                who, first.PerAppend * 1e3, first.PerKiB * 1e3, appends.size(), last.PerAppend * 1e3,
                last.PerKiB * 1e3);
}

// --- the floor: Wine's bare controls ---

void Pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

int Floor(size_t chunk, size_t total) {
    LoadLibraryW(L"riched20.dll");
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ConsoleBenchFloor";
    RegisterClassW(&wc);
    // The console's two windows side by side: its text log and its HEX log in their default sizes and styles.
    HWND host = CreateWindowW(wc.lpszClassName, L"floor", WS_OVERLAPPEDWINDOW, 0, 0, 800, 480, nullptr, nullptr,
                              wc.hInstance, nullptr);
    const DWORD scrolls = WS_VSCROLL | WS_HSCROLL | ES_AUTOVSCROLL | ES_AUTOHSCROLL;
    HWND memo = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | scrolls,
                                0, 42, 492, 318, host, nullptr, wc.hInstance, nullptr);
    HWND rich = CreateWindowExW(WS_EX_CLIENTEDGE, L"RichEdit20W", L"",
                                WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY | scrolls, 500, 42, 292, 404, host,
                                nullptr, wc.hInstance, nullptr);
    HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Courier New");
    SendMessageW(memo, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(rich, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(memo, EM_SETLIMITTEXT, 0, 0);
    SendMessageW(rich, EM_EXLIMITTEXT, 0, 0x7FFFFFF0);
    SendMessageW(rich, EM_SETTARGETDEVICE, 0, 1);
    ShowWindow(host, SW_SHOW);
    Pump();

    std::string text = ModemText(total);
    // Where an append's time goes, for the first and the last tenth: the edit, the rich edit, and painting.
    double editTime[2] = {0, 0}, richTime[2] = {0, 0}, paintTime[2] = {0, 0};
    size_t tenthAppends = std::max<size_t>((total / chunk) / 10, 1);
    std::vector<TAppend> appends;
    CHARFORMAT2W colour{};
    colour.cbSize = sizeof colour;
    colour.dwMask = CFM_COLOR;
    colour.crTextColor = 0x00208000;  // the received colour
    int memoEnd = 0;
    double start = Now();
    for (size_t at = 0; at < total; at += chunk) {
        std::string data = text.substr(at, chunk);
        std::string hex = HexLine(data) + "\r\n";
        double a = Now();
        SendMessageW(memo, EM_SETSEL, memoEnd, memoEnd);
        SendMessageA(memo, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(data.c_str()));
        memoEnd += static_cast<int>(data.size());
        double b = Now();
        GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
        LONG end = static_cast<LONG>(SendMessageW(rich, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0));
        CHARRANGE caret{end, end};
        SendMessageW(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
        SendMessageW(rich, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&colour));
        SendMessageA(rich, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(hex.c_str()));
        SendMessageW(rich, EM_SCROLL, SB_LINEDOWN, 0);
        double c = Now();
        Pump();
        double d = Now();
        size_t index = appends.size();
        int part = index < tenthAppends ? 0 : index >= (total / chunk) - tenthAppends ? 1 : -1;
        if (part >= 0) {
            editTime[part] += b - a;
            richTime[part] += c - b;
            paintTime[part] += d - c;
        }
        appends.push_back({static_cast<int>(data.size()), d - a});
    }
    double seconds = Now() - start;
    double rate = static_cast<double>(total) / seconds;
    std::printf("floor, bare edit and rich edit, %zu bytes in %zu-byte appends: %.4f MB/s\n", total, chunk, rate / MB);
    PrintAppends("bare controls", appends);
    for (int part = 0; part < 2; ++part)
        std::printf("  %s tenth: per append %.2f ms in the edit, %.2f ms in the rich edit, %.2f ms painting\n",
                    part == 0 ? "first" : "last", editTime[part] * 1e3 / tenthAppends, richTime[part] * 1e3 / tenthAppends,
                    paintTime[part] * 1e3 / tenthAppends);
    std::printf("  peak working set %.0f MB\n", PeakWorkingSetMB());
    PrintResult("floor", {{"rate", rate},
                          {"first", Tenth(appends, 0).PerAppend},
                          {"last", Tenth(appends, 9).PerAppend},
                          {"peak", PeakWorkingSetMB()}});
    DestroyWindow(host);
    DeleteObject(font);
    return 0;
}

// --- the console ---

// The last characters of a window's text.
std::string TextTail(HWND window, size_t count) {
    int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
    std::string tail;
    for (size_t i = text.size() > count ? text.size() - count : 0; i < text.size(); ++i)
        tail += static_cast<char>(text[i]);
    return tail;
}

int Console(size_t chunk, size_t total) {
    SerialPeer peer;
    // The console finds its settings beside the executable: the peer's port, and nothing else of a user's.
    std::string ini = ChangeFileExt(ParamStr0(), ".ini");
    DeleteFileA(ini.c_str());
    WriteFileBytes(ini, "[comport]\r\nPort=" + peer.PortName() + "\r\n\r\n[Last]\r\nLeft=0\r\nTop=0\r\n");

    Application->Initialize();
    Application->CreateForm(frmMain);
    Application->CreateForm(frmHEXLog);
    Application->CreateForm(frmAbout);
    Application->CreateForm(frmHEXLogOpt);
    Application->CreateForm(frmOption);
    frmMain->Show();
    Application->ProcessMessages();

    // The port is opened as the user opens it: the switch goes down and its click runs.
    frmMain->btnOnOff->SetDown(true);
    frmMain->btnOnOffClick(frmMain->btnOnOff);
    if (!frmMain->comport->Connected())
        throw Exception("console_bench: the port did not open");

    // Every dispatch of the main thread that reads received bytes or changes a log is timed from the outside: the
    // console reads a flood a slice at a time and lets the logs take what it read in batches of their own.
    std::vector<TAppend> appends;
    appends.reserve(total / 64);
    size_t received = 0;
    double first = 0, last = 0;
    TComPort* port = frmMain->comport;
    const long long readAtStart = port->BytesRead();
    HWND memo = frmMain->Log->Handle(), rich = frmHEXLog->Log->Handle();
    auto logLengths = [&] { return std::make_pair(GetWindowTextLengthW(memo), frmHEXLog->Log->GetTextLen()); };

    // The far end is a Linux program writing a chunk at a time: a Wine far end would measure Wine twice.
    std::string text = ModemText(total);
    std::string file = WinePrefixDir() + "/drive_c/brimlet-flood-" + std::to_string(GetCurrentProcessId()) + ".txt";
    WriteFileBytes(WindowsPathOf(file), text);
    TResponseProbe probe(frmMain->Handle());
    RunUnixScript("dd if='" + file + "' of='" + peer.FarDevicePath() + "' bs=" + std::to_string(chunk) +
                  " 2>/dev/null &");
    UINT_PTR wake = SetTimer(nullptr, 0, 50, nullptr);  // the loop below looks at the count at least this often
    double deadline = Now() + 3600;
    size_t reported = 0;
    // Both logs end with the newest data: the text as it came, its bytes as the end of the last HEX lines.
    std::string expected = text.substr(text.size() - 40);
    std::string hexExpected = HexLine(expected);
    bool textNewest = false, hexNewest = false;
    auto lookAtTheEnds = [&] {
        // The memo keeps the line break it had after the last line behind the received text.
        std::string textTail = TextTail(memo, 42);
        textNewest = textTail.rfind(expected, 0) == 0 || textTail.substr(2) == expected;
        std::string hexTail;
        for (char c : TextTail(rich, 400))
            if (c != '\r' && c != '\n')
                hexTail += c;
        hexNewest = hexTail.size() >= hexExpected.size() &&
                    hexTail.compare(hexTail.size() - hexExpected.size(), hexExpected.size(), hexExpected) == 0;
    };
    // Done when every byte arrived and both logs show the last of them (or, failing that, a while after).
    double arrivedAt = 0;
    while (Now() < deadline) {
        if (received >= total) {
            lookAtTheEnds();
            if ((textNewest && hexNewest) || Now() - arrivedAt > 10)
                break;
        }
        long long before = port->BytesRead();
        auto lengthsBefore = logLengths();
        double start = Now();
        Application->HandleMessage();
        double end = Now();
        long long now = port->BytesRead();
        if (now != before || logLengths() != lengthsBefore) {
            last = end;
            if (first == 0)
                first = start;
            appends.push_back({static_cast<int>(now - before), end - start});
            received = static_cast<size_t>(now - readAtStart);
            if (received >= total && arrivedAt == 0)
                arrivedAt = end;
        }
        if (received >= reported + total / 10) {
            reported = received;
            std::printf("  %5.1f MB received, working set %.0f MB\n", static_cast<double>(received) / MB,
                        static_cast<double>(Memory().WorkingSetSize) / MB);
        }
    }
    probe.StopWhilePumping();
    KillTimer(nullptr, wake);
    const std::vector<double>& answers = probe.Samples();

    double seconds = last - first;
    double rate = static_cast<double>(received) / seconds;
    std::printf("console, %zu bytes in %zu-byte writes: %zu bytes arrived and showed in both logs in %.1f s, %.4f MB/s "
                "absorbed (%zu dispatches read bytes or changed a log, %.0f bytes each on average)\n",
                total, chunk, received, seconds, rate / MB, appends.size(),
                static_cast<double>(received) / static_cast<double>(std::max<size_t>(appends.size(), 1)));
    PrintAppends("console", appends);
    auto slowest = std::max_element(appends.begin(), appends.end(),
                                    [](const TAppend& a, const TAppend& b) { return a.Seconds < b.Seconds; });
    if (slowest != appends.end())
        std::printf("  slowest append: %.0f ms for %d bytes\n", slowest->Seconds * 1e3, slowest->Bytes);
    std::printf("  the main window answered %zu messages: median %.1f ms, 99th percentile %.1f ms, slowest %.1f ms\n",
                answers.size(), Percentile(answers, 0.5) * 1e3, Percentile(answers, 0.99) * 1e3,
                Percentile(answers, 1.0) * 1e3);
    std::printf("  at the end the text log holds %d characters, the HEX log %d characters in %d lines; peak working "
                "set %.0f MB\n",
                GetWindowTextLengthW(memo), frmHEXLog->Log->GetTextLen(),
                static_cast<int>(SendMessageW(rich, EM_GETLINECOUNT, 0, 0)), PeakWorkingSetMB());
    std::printf("  the text log ends with the last bytes sent: %s; the HEX log ends with their HEX: %s\n",
                textNewest ? "yes" : "NO", hexNewest ? "yes" : "NO");

    PrintResult("console", {{"rate", rate},
                            {"first", Tenth(appends, 0).PerAppend},
                            {"last", Tenth(appends, 9).PerAppend},
                            {"firstKiB", Tenth(appends, 0).PerKiB},
                            {"lastKiB", Tenth(appends, 9).PerKiB},
                            {"p99", Percentile(answers, 0.99)},
                            {"peak", PeakWorkingSetMB()},
                            {"received", static_cast<double>(received)},
                            {"newest", textNewest && hexNewest ? 1.0 : 0.0}});

    DeleteFileA(WindowsPathOf(file).c_str());
    frmMain->Close();
    Application->DestroyComponents();
    DeleteFileA(ini.c_str());
    return 0;
}

// --- the whole run: every measurement in a process of its own ---

using TResult = std::map<std::string, double>;

// Runs this program with Arguments, shows what it prints and returns its result line's values.
TResult RunMeasurement(const std::string& Arguments) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        RaiseLastOSError("CreatePipe");
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::string command = ParamStr0();
    command = "\"" + command + "\" ";
    command += Arguments;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(readEnd);
        CloseHandle(writeEnd);
        RaiseLastOSError("CreateProcessA");
    }
    CloseHandle(writeEnd);
    std::string output, line;
    TResult result;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        for (DWORD i = 0; i < got; ++i) {
            if (buffer[i] == '\r')
                continue;
            if (buffer[i] != '\n') {
                line += buffer[i];
                continue;
            }
            if (line.rfind("result ", 0) == 0) {
                std::istringstream fields(line);
                std::string word;
                fields >> word >> word;
                while (fields >> word)
                    if (size_t eq = word.find('='); eq != std::string::npos)
                        result[word.substr(0, eq)] = std::atof(word.c_str() + eq + 1);
            } else {
                std::printf("%s\n", line.c_str());
            }
            line.clear();
        }
    }
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    CloseHandle(readEnd);
    if (code != 0)
        std::printf("  (%s ended with exit code %lu)\n", Arguments.c_str(), static_cast<unsigned long>(code));
    return result;
}

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

int All(const std::vector<size_t>& chunks) {
    bool allMet = true;
    for (size_t chunk : chunks) {
        std::printf("--- %zu-byte writes\n", chunk);
        TResult floor = RunMeasurement("floor " + std::to_string(chunk));
        TResult console = RunMeasurement("console " + std::to_string(chunk));
        if (floor.empty() || console.empty()) {
            std::printf("  no figures to compare\n");
            allMet = false;
            continue;
        }
        double share = console["rate"] / floor["rate"];
        // The console's dispatches are reads and batches of both logs: the cost per KiB taken in is what compares.
        double growth = console["firstKiB"] > 0 ? console["lastKiB"] / console["firstKiB"] : 0;
        bool peakMet = console["peak"] < PeakWorkingSetGoalMB;
        bool growthMet = growth <= AppendGrowthGoal;
        bool answerMet = console["p99"] * 1e3 < AnswerGoalMs;
        bool floorMet = share >= FloorShareGoal;
        bool newestMet = console["newest"] == 1.0 && console["received"] >= static_cast<double>(FloodSize);
        std::printf("summary of %zu-byte writes:\n", chunk);
        std::printf("  both logs absorb %.4f MB/s, the bare controls %.4f MB/s: %.0f %% of the floor (goal at least "
                    "%.0f %%): %s\n",
                    console["rate"] / MB, floor["rate"] / MB, share * 100, FloorShareGoal * 100, Verdict(floorMet));
        std::printf("  a KiB into both logs costs %.2f ms in the last tenth, %.2f ms in the first: %.2f times (goal at "
                    "most %.1f): %s\n",
                    console["lastKiB"] * 1e3, console["firstKiB"] * 1e3, growth, AppendGrowthGoal, Verdict(growthMet));
        std::printf("  peak working set %.0f MB (goal below %.0f MB): %s\n", console["peak"], PeakWorkingSetGoalMB,
                    Verdict(peakMet));
        std::printf("  99th percentile of the main window's answers %.1f ms (goal below %.0f ms): %s\n",
                    console["p99"] * 1e3, AnswerGoalMs, Verdict(answerMet));
        std::printf("  every byte arrived and both logs show the newest: %s\n", Verdict(newestMet));
        allMet = allMet && peakMet && growthMet && answerMet && floorMet && newestMet;
    }
    std::printf("console_bench: %s\n", allMet ? "every goal met" : "some goal missed");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    try {
        if (argc >= 3 && std::string(argv[1]) == "floor")
            return Floor(std::strtoul(argv[2], nullptr, 10),
                         argc >= 4 ? std::strtoul(argv[3], nullptr, 10) : FloorSize(std::strtoul(argv[2], nullptr, 10)));
        // A shorter flood, to look at the console quickly: console <chunk> <bytes>.
        if (argc >= 3 && std::string(argv[1]) == "console")
            return Console(std::strtoul(argv[2], nullptr, 10), argc >= 4 ? std::strtoul(argv[3], nullptr, 10) : FloodSize);
        // Only some write sizes: console_bench <chunk>...
        std::vector<size_t> chunks;
        for (int i = 1; i < argc; ++i)
            chunks.push_back(std::strtoul(argv[i], nullptr, 10));
        if (chunks.empty())
            chunks = {64, 4096};
        return All(chunks);
    } catch (const std::exception& e) {
        std::printf("console_bench failed: %s\n", e.what());
        return 1;
    }
}
