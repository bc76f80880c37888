#pragma once
// A serial device for tests: a pseudo-terminal pair whose one end the program opens as a COM port
// and whose far end the test plays (read what was sent, answer like a modem, or vanish).
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

class SerialPeer {
public:
    // Creates the pair (socat) and maps the program's end as COMn in the test's Wine prefix.
    SerialPeer();
    // The same as COM<PortNumber> (the far end is the next number); waits while another peer has that number.
    explicit SerialPeer(int PortNumber);
    // Stops the modem thread and socat (by PID) and removes the mappings, whatever happened.
    ~SerialPeer();
    SerialPeer(const SerialPeer&) = delete;
    SerialPeer& operator=(const SerialPeer&) = delete;

    // "COMn", the name the program opens (as "\\.\COMn").
    std::string PortName() const { return "COM" + std::to_string(FPortNumber); }
    int PortNumber() const { return FPortNumber; }
    // The Linux path of the far end, for a Linux program that plays the device faster than Wine can.
    std::string FarDevicePath() const { return FDir + "/far"; }

    // The far end: sends bytes to the program.
    void Write(const std::string& bytes);
    // Waits until at least count bytes arrived from the program (or the time is up); returns them all.
    std::string Read(size_t count, DWORD timeoutMs = 5000);
    // Waits until what arrived contains marker; returns everything up to and including it.
    std::string ReadUntil(const std::string& marker, DWORD timeoutMs = 5000);
    // Everything received so far and not yet read.
    std::string ReadAvailable();

    // Answers each line the program ends with CR (or with Ctrl+Z, which stays on the line):
    // the responder's result is written back.
    // Lines are passed without their CR/LF; every byte received is also kept in Received().
    using Responder = std::function<std::string(const std::string& line)>;
    void StartModem(Responder responder = StandardModem);
    void StopModem();
    std::string Received() const;
    // "AT..." -> "\r\nOK\r\n"; anything else -> "\r\nERROR\r\n".
    static std::string StandardModem(const std::string& line);

    // The device goes away: socat ends, both ends hang up.
    void Vanish();

private:
    bool Claim(int n);
    void Start();
    void ReadInto(std::string& buffer, DWORD waitMs);
    void ModemLoop();

    int FPortNumber = 0;
    std::string FDir;  // Linux path of this pair's folder
    HANDLE FFar = INVALID_HANDLE_VALUE;
    bool FRunning = false;
    std::string FPending;
    mutable std::mutex FLock;
    std::string FReceived;
    Responder FResponder;
    std::thread FModem;
    std::atomic<bool> FModemStop{false};
};
