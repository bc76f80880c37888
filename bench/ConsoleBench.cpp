// The console under a flood: the far end sends 10 MB in 4 KiB writes while the main window runs with both logs.
// Prints the bytes per second both logs absorb, what one chunk's append costs as the logs grow, and how long the
// main window takes to answer a message meanwhile.
// Run it with scripts/bench console_bench (it needs the test environment for its serial peer and display).
#include "bench/BenchClock.h"
#include "console/uAbout.h"
#include "console/uHEXLog.h"
#include "console/uHExLogOpt.h"
#include "console/uMain.h"
#include "console/uOption.h"
#include "classlib/Forms.h"
#include "tests/support/SerialPeer.h"
#include "tests/support/TempDir.h"
#include "tests/support/UnixCommand.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr size_t FloodSize = 10 * 1024 * 1024;
constexpr size_t ChunkSize = 4096;

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

struct TAppend {
    size_t LogSize;  // bytes in the text log before this chunk
    int Bytes;
    double Seconds;
};

// The median cost of 4 KiB of appended data over the appends whose log held between from and to bytes.
double CostPer4K(const std::vector<TAppend>& appends, size_t from, size_t to, size_t& count) {
    std::vector<double> costs;
    for (const TAppend& a : appends)
        if (a.LogSize >= from && a.LogSize < to && a.Bytes > 0)
            costs.push_back(a.Seconds * ChunkSize / a.Bytes);
    count = costs.size();
    if (costs.empty())
        return 0;
    std::nth_element(costs.begin(), costs.begin() + costs.size() / 2, costs.end());
    return costs[costs.size() / 2];
}

// Asks the main window with a message every 20 ms, from another thread, and keeps how long each answer took.
class TResponseProbe {
public:
    explicit TResponseProbe(HWND Window) : FWindow(Window), FThread([this] { Run(); }) {}
    ~TResponseProbe() { Stop(); }
    void Stop() {
        FStop = true;
        if (FThread.joinable())
            FThread.join();
    }
    // The last question may be on its way: the window must go on answering until the probe has its reply, or
    // the probe would wait out its whole timeout and count it against the window.
    void StopWhilePumping() {
        FStop = true;
        while (!FDone)
            Application->HandleMessage();
        Stop();
    }
    std::vector<double> Samples() {
        Stop();
        return FSamples;
    }
    // When the slowest answer was asked for, in seconds from the probe's start.
    double SlowestAt() const {
        auto slowest = std::max_element(FSamples.begin(), FSamples.end());
        return slowest == FSamples.end() ? 0 : FAskedAt[static_cast<size_t>(slowest - FSamples.begin())] - FStart;
    }

private:
    void Run() {
        while (!FStop) {
            double start = Now();
            FAskedAt.push_back(start);
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
    std::vector<double> FAskedAt;
    double FStart = Now();
    std::thread FThread;
};

double Percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

// Where the time goes: each log on its own, 4 KiB at a time as the console appends, when it already holds 0, 1 and
// 5 MB of text (filled in one go; the flood itself goes on to 10 MB).
void Parts() {
    std::string chunk = ModemText(ChunkSize);
    std::string hexLine = HexLine(chunk);
    HWND memo = frmMain->Log->Handle();
    HWND rich = frmHEXLog->Log->Handle();
    for (size_t fill : {size_t(0), size_t(1) << 20, size_t(5) << 20}) {
        std::string text = ModemText(fill);
        SetWindowTextA(memo, text.c_str());
        int end = static_cast<int>(text.size());
        double start = Now();
        for (int i = 0; i < 16; ++i) {
            SendMessageA(memo, EM_SETSEL, end, end);
            SendMessageA(memo, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(chunk.c_str()));
            end += static_cast<int>(chunk.size());
        }
        double memoCost = (Now() - start) / 16;
        SetWindowTextA(memo, "");
        std::string hex;
        while (hex.size() < fill * 3)
            hex += hexLine + "\r\n";
        SetWindowTextA(rich, hex.c_str());
        start = Now();
        for (int i = 0; i < 16; ++i)
            frmHEXLog->AppendLine(hexLine, clBlue);
        double hexCost = (Now() - start) / 16;
        SetWindowTextA(rich, "");
        std::printf("  each log on its own, holding %2zu MB of data: 4 KiB into the text log %.2f ms, its HEX line "
                    "into the HEX log %.2f ms\n",
                    fill >> 20, memoCost * 1e3, hexCost * 1e3);
        std::fflush(stdout);
    }
}

void Flood(SerialPeer& peer) {
    Application->Initialize();
    Application->CreateForm(frmMain);
    Application->CreateForm(frmHEXLog);
    Application->CreateForm(frmAbout);
    Application->CreateForm(frmHEXLogOpt);
    Application->CreateForm(frmOption);
    frmMain->Show();
    Application->ProcessMessages();

    Parts();

    // The port is opened as the user opens it: the switch goes down and its click runs.
    frmMain->btnOnOff->SetDown(true);
    frmMain->btnOnOffClick(frmMain->btnOnOff);
    if (!frmMain->comport->Connected())
        throw Exception("console_bench: the port did not open");

    // Every append is timed from the outside of the console's own handler.
    std::vector<TAppend> appends;
    appends.reserve(FloodSize / 256);
    size_t received = 0;
    double first = 0, last = 0;
    auto handler = frmMain->comport->OnRxChar;
    frmMain->comport->OnRxChar = [&](TObject* Sender, int Count) {
        double start = Now();
        if (received == 0)
            first = start;
        handler(Sender, Count);
        last = Now();
        appends.push_back({received, Count, last - start});
        received += static_cast<size_t>(Count);
    };

    // The far end is a Linux program writing 4 KiB at a time: a Wine far end would measure Wine twice.
    std::string file = WinePrefixDir() + "/drive_c/brimlet-flood-" + std::to_string(GetCurrentProcessId()) + ".txt";
    WriteFileBytes(WindowsPathOf(file), ModemText(FloodSize));
    TResponseProbe probe(frmMain->Handle());
    RunUnixScript("dd if='" + file + "' of='" + peer.FarDevicePath() + "' bs=" + std::to_string(ChunkSize) +
                  " 2>/dev/null &");
    UINT_PTR wake = SetTimer(nullptr, 0, 50, nullptr);  // the loop below looks at the count at least this often
    double deadline = Now() + 600;
    while (received < FloodSize && Now() < deadline)
        Application->HandleMessage();
    probe.StopWhilePumping();
    KillTimer(nullptr, wake);
    std::vector<double> responses = probe.Samples();

    double seconds = last - first;
    std::printf("flood of %zu bytes in %zu-byte writes: %zu bytes arrived in %.1f s, %.3f MB/s absorbed by both logs "
                "(%zu appends, %.0f bytes each on average)\n",
                FloodSize, ChunkSize, received, seconds, static_cast<double>(received) / seconds / 1e6,
                appends.size(), static_cast<double>(received) / std::max<size_t>(appends.size(), 1));
    struct {
        const char* name;
        size_t from, to;
    } spans[] = {{"0 MB", 0, 256 * 1024},
                 {"1 MB", 1024 * 1024 - 128 * 1024, 1024 * 1024 + 128 * 1024},
                 {"5 MB", 5 * 1024 * 1024 - 128 * 1024, 5 * 1024 * 1024 + 128 * 1024},
                 {"10 MB", FloodSize - 256 * 1024, FloodSize}};
    for (const auto& span : spans) {
        size_t n = 0;
        double cost = CostPer4K(appends, span.from, span.to, n);
        std::printf("  append of 4 KiB to both logs when the text log holds %-5s: median %.2f ms (%zu appends)\n",
                    span.name, cost * 1e3, n);
    }
    auto slowest = std::max_element(appends.begin(), appends.end(),
                                    [](const TAppend& a, const TAppend& b) { return a.Seconds < b.Seconds; });
    if (slowest != appends.end())
        std::printf("  slowest append: %.0f ms for %d bytes when the text log held %.1f MB\n", slowest->Seconds * 1e3,
                    slowest->Bytes, static_cast<double>(slowest->LogSize) / (1 << 20));
    std::printf("  text log %d characters, HEX log %d characters at the end\n",
                GetWindowTextLengthA(frmMain->Log->Handle()), GetWindowTextLengthA(frmHEXLog->Log->Handle()));
    std::printf("main window answers a message during the flood (%zu asks): median %.1f ms, 99th percentile %.1f ms, "
                "max %.1f ms (asked %.1f s into the flood, which took %.1f s)\n",
                responses.size(), Percentile(responses, 0.5) * 1e3, Percentile(responses, 0.99) * 1e3,
                Percentile(responses, 1.0) * 1e3, probe.SlowestAt(), seconds);

    DeleteFileA(WindowsPathOf(file).c_str());
    frmMain->comport->OnRxChar = handler;
    frmMain->Close();
    Application->DestroyComponents();
}

}  // namespace

int main() {
    setvbuf(stdout, nullptr, _IONBF, 0);
    try {
        SerialPeer peer;
        // The console finds its settings beside the executable: the peer's port, and nothing else of a user's.
        std::string ini = ChangeFileExt(ParamStr0(), ".ini");
        DeleteFileA(ini.c_str());
        WriteFileBytes(ini, "[comport]\r\nPort=" + peer.PortName() + "\r\n\r\n[Last]\r\nLeft=0\r\nTop=0\r\n");
        Flood(peer);
        DeleteFileA(ini.c_str());
        return 0;
    } catch (const std::exception& e) {
        std::printf("console_bench failed: %s\n", e.what());
        return 1;
    }
}
