// The test harness itself: a COM port backed by a pseudo-terminal answers like a modem.
#include "tests/support/SerialPeer.h"

#include <gtest/gtest.h>

namespace {

struct Port {
    HANDLE h;
    explicit Port(const std::string& name) {
        h = CreateFileA(("\\\\.\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_OVERLAPPED, nullptr);
    }
    ~Port() {
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
};

TEST(SerialPeer, OverlappedWriteReachesThePeerAndItsAnswerArrivesThroughWaitCommEvent) {
    SerialPeer peer;
    peer.StartModem();
    Port port(peer.PortName());
    ASSERT_NE(port.h, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    ASSERT_TRUE(SetCommMask(port.h, EV_RXCHAR));

    OVERLAPPED wov{};
    wov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD written = 0;
    BOOL ok = WriteFile(port.h, "AT\r\n", 4, &written, &wov);
    if (!ok && GetLastError() == ERROR_IO_PENDING)
        ok = GetOverlappedResult(port.h, &wov, &written, TRUE);
    CloseHandle(wov.hEvent);
    ASSERT_TRUE(ok);
    EXPECT_EQ(written, 4u);

    std::string got;
    OVERLAPPED eov{};
    eov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD start = GetTickCount();
    while (got.find("OK") == std::string::npos && GetTickCount() - start < 5000) {
        DWORD mask = 0, n = 0;
        ResetEvent(eov.hEvent);
        BOOL waited = WaitCommEvent(port.h, &mask, &eov);
        if (!waited && GetLastError() == ERROR_IO_PENDING)
            waited = WaitForSingleObject(eov.hEvent, 1000) == WAIT_OBJECT_0 && GetOverlappedResult(port.h, &eov, &n, FALSE);
        COMSTAT stat{};
        DWORD errors = 0;
        ClearCommError(port.h, &errors, &stat);
        if (stat.cbInQue) {
            std::string chunk(stat.cbInQue, '\0');
            OVERLAPPED rov{};
            rov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
            DWORD got1 = 0;
            BOOL r = ReadFile(port.h, chunk.data(), stat.cbInQue, &got1, &rov);
            if (!r && GetLastError() == ERROR_IO_PENDING)
                r = GetOverlappedResult(port.h, &rov, &got1, TRUE);
            CloseHandle(rov.hEvent);
            if (r)
                got += chunk.substr(0, got1);
        } else if (!waited) {
            Sleep(5);  // Wine cancels a pending wait on a pty now and then: wait again
        }
    }
    CloseHandle(eov.hEvent);
    EXPECT_EQ(got, "\r\nOK\r\n");
    peer.StopModem();
    EXPECT_EQ(peer.Received(), "AT\r\n");
}

TEST(SerialPeer, AVanishedDeviceFailsTheNextWrite) {
    SerialPeer peer;
    Port port(peer.PortName());
    ASSERT_NE(port.h, INVALID_HANDLE_VALUE);
    peer.Vanish();
    OVERLAPPED ov{};
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD written = 0;
    BOOL ok = WriteFile(port.h, "AT\r\n", 4, &written, &ov);
    if (!ok && GetLastError() == ERROR_IO_PENDING)
        ok = GetOverlappedResult(port.h, &ov, &written, TRUE);
    CloseHandle(ov.hEvent);
    EXPECT_FALSE(ok);
}

}  // namespace
