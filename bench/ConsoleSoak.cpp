// A long session of the real brimlet.exe: its port open on a modem that answers at the pace of 115200 baud in
// 64-byte writes, for as many minutes as asked (two hours by default). It prints the program's working set and the
// main window's answer times as the session goes, and at the end a pass or fail against the console's goals: a peak
// working set under 300 MB, appends in the last tenth costing at most 1.5 times those in the first, the main window
// answering within 100 ms at the 99th percentile, and both logs showing the newest data.
// An append's cost is measured from outside as the processor time the program spends per write of the modem (64
// bytes): a console that keeps up appends each write on its own; one that falls behind reads several writes as
// one chunk, and its time per write then still says what the bytes cost it.
// Run it with scripts/soak [minutes] (it needs the test environment for its serial peer and display).
#include "tests/console/ConsoleHarness.h"
#include "tests/support/SerialPeer.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double MB = 1000.0 * 1000.0;
constexpr double BytesPerSecond = 115200.0 / 10;  // eight data bits, a start and a stop bit
constexpr size_t WriteSize = 64;
constexpr double PeakWorkingSetGoalMB = 300;
constexpr double AppendGrowthGoal = 1.5;
constexpr double AnswerGoalMs = 100;

double Now() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// What a modem says when a message store is read out: lines of text ending in CR LF, numbered so that the end
// of the session is told apart from any earlier part of it.
std::string ModemLine(long long i) {
    return "+CMGL: " + std::to_string(i) + ",\"REC READ\",\"+15551234\",,\"26/12/09,13:04:30+00\"\r\nHello " +
           std::to_string(i * 7919 % 100000) + "\r\n";
}

struct TSample {
    double Seconds;      // since the port opened
    double Sent;         // bytes written by the modem
    double Writes;       // writes by the modem
    double Cpu;          // processor seconds the program used
    double WorkingSetMB;
};

// Processor seconds (user and system) a Wine process used, read on the Linux side: Wine's GetProcessTimes gave
// a fraction of it for another process. The process is found by a part of its command line no other has.
double CpuSeconds(const std::string& commandLinePart, const std::string& work) {
    std::string out = work + "/cpu";
    RunUnixScript("pid=$(pgrep -f '" + commandLinePart + "' | head -n1); [ -n \"$pid\" ] && "
                  "awk '{print $14 + $15}' /proc/$pid/stat > '" + out + "'");
    std::string ticks = ReadFileBytes(WindowsPathOf(out));
    return std::atof(ticks.c_str()) / 100;  // the kernel counts in hundredths of a second (USER_HZ)
}

PROCESS_MEMORY_COUNTERS Memory(HANDLE process) {
    PROCESS_MEMORY_COUNTERS m{};
    m.cb = sizeof m;
    GetProcessMemoryInfo(process, &m, sizeof m);
    return m;
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

// The samples' processor time per write between two moments of the session (as shares of it).
double CpuPerWrite(const std::vector<TSample>& samples, double from, double to) {
    double end = samples.back().Seconds;
    auto at = [&](double share) {
        const TSample* best = &samples.front();
        for (const TSample& s : samples)
            if (s.Seconds <= share * end + 1e-9)
                best = &s;
        return *best;
    };
    TSample a = at(from), b = at(to);
    return b.Writes > a.Writes ? (b.Cpu - a.Cpu) / (b.Writes - a.Writes) : 0;
}

// The last characters of another program's window.
std::string Tail(HWND window, size_t count) {
    std::string text = WindowText(window);
    return text.size() > count ? text.substr(text.size() - count) : text;
}

std::string Hex(const std::string& data) {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (unsigned char c : data) {
        s += digits[c >> 4];
        s += digits[c & 15];
        s += ' ';
    }
    return s;
}

std::string WithoutLineBreaks(const std::string& s) {
    std::string out;
    for (char c : s)
        if (c != '\r' && c != '\n')
            out += c;
    return out;
}

bool EndsWith(const std::string& s, const std::string& end) {
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

const char* Verdict(bool met) { return met ? "pass" : "FAIL"; }

int Soak(double minutes) {
    SerialPeer peer;
    TempDir dir;
    if (!CopyFileA(BRIMLET_EXE, dir.File("brimlet.exe").c_str(), FALSE))
        throw std::runtime_error("cannot copy brimlet.exe: " + std::to_string(GetLastError()));
    WriteFileBytes(dir.File("brimlet.ini"), "[comport]\r\nPort=" + peer.PortName() +
                                                "\r\n\r\n[Last]\r\nLeft=0\r\nTop=0\r\nWidth=500\r\nHeight=480\r\n");
    TBrimlet program(dir.File("brimlet.exe"));
    // The folder's own name ("brimlet-<pid>-<n>") is in the program's command line and in no other.
    std::string programName = dir.Path().substr(0, dir.Path().size() - 1);
    programName = programName.substr(programName.rfind('\\') + 1) + ".brimlet.exe";
    HWND main = program.Window("TfrmMain");
    HWND hex = program.Window("TfrmHEXLog");
    if (!main || !hex)
        throw std::runtime_error("brimlet.exe shows no main window and HEX log");
    HWND combo = FindChild(main, "TComboBox");
    HWND memo = FindChild(main, "TMemo");
    HWND rich = FindChild(hex, "TRichEdit");
    HWND tlb = Toolbar(main, false);
    if (!combo || !memo || !rich || !tlb)
        throw std::runtime_error("brimlet.exe's windows are not what the soak knows");
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, pid);
    if (!process)
        throw std::runtime_error("cannot look into brimlet.exe: " + std::to_string(GetLastError()));

    // The port opens as a user opens it: a click on the first button of the main toolbar.
    WaitUntil([&] { return GetForegroundWindow() == main; });
    for (int attempt = 0; attempt < 3 && !IsWindowEnabled(combo); ++attempt) {
        ClickToolbarButton(tlb, 0);
        WaitUntil([&] { return IsWindowEnabled(combo) != FALSE; }, 5000);
    }
    if (!IsWindowEnabled(combo))
        throw std::runtime_error("the port did not open");

    std::printf("soak: brimlet.exe with its port open, the modem sending %.0f bytes a second in %zu-byte writes for "
                "%.0f minutes\n",
                BytesPerSecond, WriteSize, minutes);
    // The modem is a Linux program writing 64 bytes at a time to the far end of the pseudo-terminal, at the pace
    // of the line: a console that falls behind holds it back as a full buffer does (the writes then wait), and
    // the soak says how far behind the pace the modem ended. A Wine far end would measure Wine twice.
    std::string text;
    for (long long line = 0; static_cast<double>(text.size()) < minutes * 60 * BytesPerSecond + 4096; ++line)
        text += ModemLine(line);
    std::string work = WinePrefixDir() + "/drive_c/brimlet-soak-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(WindowsPathOf(work).c_str(), nullptr);
    WriteFileBytes(WindowsPathOf(work + "/modem.txt"), text);
    WriteFileBytes(WindowsPathOf(work + "/run"), "");
    WriteFileBytes(WindowsPathOf(work + "/pace.sh"),
                   "exec 3<'" + work + "/modem.txt' 4>'" + peer.FarDevicePath() + "'\n"
                   "start=${EPOCHREALTIME/./}; sent=0; rate=" + std::to_string(static_cast<int>(BytesPerSecond)) + "\n"
                   "while [ -e '" + work + "/run' ]; do\n"
                   "  due=$(( (${EPOCHREALTIME/./} - start) * rate / 1000000 ))\n"
                   "  n=$(( (due - sent) / " + std::to_string(WriteSize) + " ))\n"
                   // A console behind the pace gets the rest a little later: the count of what was sent stays
                   // fresh, and a held-back modem does not pour out all it owes at once.
                   "  [ $n -gt 36 ] && n=36\n"
                   "  if [ $n -gt 0 ]; then\n"
                   "    dd bs=" + std::to_string(WriteSize) + " count=$n iflag=fullblock <&3 >&4 2>/dev/null || break\n"
                   "    sent=$((sent + n * " + std::to_string(WriteSize) + ")); echo $sent > '" + work + "/sent.tmp'; mv '" + work + "/sent.tmp' '" + work + "/sent'\n"
                   "  fi\n"
                   "  sleep 0.02\n"
                   "done\n"
                   "touch '" + work + "/done'\n");
    RunUnixScript("bash '" + work + "/pace.sh' </dev/null >/dev/null 2>&1 &");
    auto sentSoFar = [&] {
        std::string file = WindowsPathOf(work + "/sent");
        if (GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES)
            return 0.0;
        std::string s = ReadFileBytes(file);
        return s.empty() ? 0.0 : std::atof(s.c_str());
    };
    auto stopModem = [&] {
        DeleteFileA(WindowsPathOf(work + "/run").c_str());
        WaitUntil([&] { return GetFileAttributesA(WindowsPathOf(work + "/done").c_str()) != INVALID_FILE_ATTRIBUTES; },
                30000);
    };
    std::atomic<bool> stop{false};

    // The main window is asked every 50 ms whether it answers, from a thread that does nothing else.
    std::mutex answersLock;
    std::vector<double> answers;
    std::thread probe([&] {
        while (!stop) {
            double start = Now();
            DWORD_PTR result = 0;
            bool answered = SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result) != 0;
            double ms = answered ? (Now() - start) * 1e3 : 10000;
            {
                std::lock_guard<std::mutex> hold(answersLock);
                answers.push_back(ms);
            }
            Sleep(50);
        }
    });

    std::vector<TSample> samples;
    double start = Now(), end = start + minutes * 60;
    double interval = std::clamp(minutes * 60 / 40, 10.0, 60.0);
    samples.push_back({0, 0, 0, CpuSeconds(programName, work), Memory(process).WorkingSetSize / MB});
    size_t answersSeen = 0;
    bool alive = true;
    while (Now() < end) {
        Sleep(static_cast<DWORD>(std::min(interval, end - Now()) * 1000));
        if (WaitForSingleObject(process, 0) != WAIT_TIMEOUT) {
            alive = false;
            std::printf("  brimlet.exe ended during the session\n");
            break;
        }
        double sent = sentSoFar();
        TSample s{Now() - start, sent, sent / WriteSize, CpuSeconds(programName, work), Memory(process).WorkingSetSize / MB};
        double p99;
        {
            std::lock_guard<std::mutex> hold(answersLock);
            p99 = Percentile(std::vector<double>(answers.begin() + static_cast<long>(answersSeen), answers.end()), 0.99);
            answersSeen = answers.size();
        }
        const TSample& before = samples.back();
        double perWrite = s.Writes > before.Writes ? (s.Cpu - before.Cpu) / (s.Writes - before.Writes) * 1e3 : 0;
        std::printf("  %6.0f s  %7.2f MB sent  working set %5.0f MB  %.3f ms of processor per write  answers: 99th "
                    "percentile %.1f ms\n",
                    s.Seconds, s.Sent / MB, s.WorkingSetMB, perWrite, p99);
        samples.push_back(s);
    }
    stopModem();
    stop = true;
    probe.join();
    double sentTotal = sentSoFar();
    size_t sentBytes = std::min(static_cast<size_t>(sentTotal), text.size());
    std::string lastText = text.substr(sentBytes > 256 ? sentBytes - 256 : 0, std::min<size_t>(sentBytes, 256));

    // Both logs end with what the modem wrote last, once the program has read it all.
    std::string expected = lastText.substr(lastText.size() - 40);
    std::string hexExpected = Hex(expected);
    bool textNewest = false, hexNewest = false;
    if (alive) {
        WaitUntil([&] {
            textNewest = Tail(memo, 200).find(expected) != std::string::npos;
            hexNewest = EndsWith(WithoutLineBreaks(Tail(rich, 1000)), hexExpected);
            return textNewest && hexNewest;
        }, 30000);
    }
    PROCESS_MEMORY_COUNTERS memory = Memory(process);
    int textLength = static_cast<int>(SendMessageA(memo, WM_GETTEXTLENGTH, 0, 0));
    int hexLength = static_cast<int>(SendMessageA(rich, WM_GETTEXTLENGTH, 0, 0));
    int hexLines = static_cast<int>(SendMessageA(rich, EM_GETLINECOUNT, 0, 0));

    double peak = memory.PeakWorkingSetSize / MB;
    double first = samples.size() > 2 ? CpuPerWrite(samples, 0, 0.1) : 0;
    double last = samples.size() > 2 ? CpuPerWrite(samples, 0.9, 1.0) : 0;
    double growth = first > 0 ? last / first : 0;
    double p99 = Percentile(answers, 0.99);
    bool peakMet = alive && peak < PeakWorkingSetGoalMB;
    bool growthMet = alive && first > 0 && growth <= AppendGrowthGoal;
    bool answerMet = alive && p99 < AnswerGoalMs;
    bool newestMet = alive && textNewest && hexNewest;
    double seconds = samples.back().Seconds;
    std::printf("soak: %.2f MB sent in %.0f writes over %.0f s (the pace asks for %.2f MB); the text log holds %d "
                "characters, the HEX log %d in %d lines\n",
                sentTotal / MB, sentTotal / WriteSize, seconds, seconds * BytesPerSecond / MB, textLength, hexLength,
                hexLines);
    std::printf("  peak working set %.0f MB (goal below %.0f MB): %s\n", peak, PeakWorkingSetGoalMB, Verdict(peakMet));
    std::printf("  an append costs %.3f ms of processor in the last tenth, %.3f ms in the first: %.2f times (goal at "
                "most %.1f): %s\n",
                last * 1e3, first * 1e3, growth, AppendGrowthGoal, Verdict(growthMet));
    std::printf("  the main window answered %zu times: median %.1f ms, 99th percentile %.1f ms, slowest %.1f ms (goal "
                "below %.0f ms): %s\n",
                answers.size(), Percentile(answers, 0.5), p99, Percentile(answers, 1.0), AnswerGoalMs,
                Verdict(answerMet));
    std::printf("  the text log shows the newest data: %s; the HEX log: %s: %s\n", textNewest ? "yes" : "no",
                hexNewest ? "yes" : "no", Verdict(newestMet));
    bool met = peakMet && growthMet && answerMet && newestMet;
    std::printf("soak: %s\n", met ? "PASS" : "FAIL");

    PostMessageA(main, WM_CLOSE, 0, 0);
    program.WaitForExit(15000);
    CloseHandle(process);
    RunUnixScript("rm -rf '" + work + "'");
    return met ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    try {
        return Soak(argc > 1 ? std::atof(argv[1]) : 120);
    } catch (const std::exception& e) {
        std::printf("console_soak failed: %s\n", e.what());
        return 2;
    }
}
