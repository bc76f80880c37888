#include "ObjectInstance.h"

#include "ExceptionHandler.h"
#include "SysUtils.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

// One instance: the code and room to spare, so every slot of a page has the same size.
constexpr size_t kSlotSize = 32;
constexpr size_t kPageSize = 4096;

struct TInstancePool {
    std::mutex Lock;
    std::vector<uint8_t*> Free;
    int InUse = 0;

    uint8_t* Take() {
        std::lock_guard<std::mutex> guard(Lock);
        if (Free.empty()) {
            void* page = VirtualAlloc(nullptr, kPageSize, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
            if (!page)
                RaiseLastOSError("VirtualAlloc for a window procedure instance");
            // Pages are kept for the life of the process: a window may still call into one while it is torn down.
            for (size_t off = kPageSize; off >= kSlotSize; off -= kSlotSize)
                Free.push_back(static_cast<uint8_t*>(page) + off - kSlotSize);
        }
        uint8_t* slot = Free.back();
        Free.pop_back();
        ++InUse;
        return slot;
    }
    void Give(uint8_t* slot) {
        std::lock_guard<std::mutex> guard(Lock);
        std::memset(slot, 0xCC, kSlotSize);
        Free.push_back(slot);
        --InUse;
    }
};

TInstancePool& Pool() {
    static TInstancePool pool;
    return pool;
}

}  // namespace

namespace {

void WriteInstance(uint8_t* code, void* Object, TObjectWindowProc Proc) {
    uint8_t* p = code;
#if defined(_M_X64) || defined(__x86_64__)
    // mov rcx, Object; mov rax, Proc; jmp rax: the window handle in RCX becomes the object.
    *p++ = 0x48, *p++ = 0xB9;
    std::memcpy(p, &Object, 8), p += 8;
    *p++ = 0x48, *p++ = 0xB8;
    void* target = reinterpret_cast<void*>(Proc);
    std::memcpy(p, &target, 8), p += 8;
    *p++ = 0xFF, *p++ = 0xE0;
#else
    // mov dword ptr [esp+4], Object; jmp Proc: the window handle on the stack becomes the object.
    *p++ = 0xC7, *p++ = 0x44, *p++ = 0x24, *p++ = 0x04;
    uint32_t object = reinterpret_cast<uint32_t>(Object);
    std::memcpy(p, &object, 4), p += 4;
    *p++ = 0xE9;
    int32_t rel = static_cast<int32_t>(reinterpret_cast<intptr_t>(Proc) - reinterpret_cast<intptr_t>(p + 4));
    std::memcpy(p, &rel, 4), p += 4;
#endif
    FlushInstructionCache(GetCurrentProcess(), code, kSlotSize);
}

}  // namespace

WNDPROC MakeObjectInstance(void* Object, TObjectWindowProc Proc) {
    if (!Proc)
        throw EInvalidArgument("A window procedure instance needs a procedure");
    uint8_t* code = Pool().Take();
    WriteInstance(code, Object, Proc);
    return reinterpret_cast<WNDPROC>(code);
}

void RetargetObjectInstance(WNDPROC Instance, void* Object, TObjectWindowProc Proc) {
    if (!Instance || !Proc)
        throw EInvalidArgument("Retargeting a window procedure instance needs the instance and a procedure");
    WriteInstance(reinterpret_cast<uint8_t*>(Instance), Object, Proc);
}

void FreeObjectInstance(WNDPROC Instance) {
    if (Instance)
        Pool().Give(reinterpret_cast<uint8_t*>(Instance));
}

namespace {

// What stays of an object in a window's procedure chain after the object went.
struct TInstanceForwarder {
    WNDPROC Instance = nullptr;
    WNDPROC Previous = nullptr;
    HWND Wnd = nullptr;

    static LRESULT CALLBACK Proc(void* Object, UINT Msg, WPARAM WParam, LPARAM LParam) {
        auto* self = static_cast<TInstanceForwarder*>(Object);
        LRESULT result = 0;
        RunGuarded([&] { result = CallWindowProcW(self->Previous, self->Wnd, Msg, WParam, LParam); });
        if (Msg == WM_NCDESTROY) {
            // The instance code is left by a jump, not a call: giving it back here is safe.
            FreeObjectInstance(self->Instance);
            delete self;
        }
        return result;
    }
};

}  // namespace

void ForwardObjectInstance(WNDPROC Instance, HWND Wnd, WNDPROC Previous) {
    if (!Instance || !Previous)
        throw EInvalidArgument("Forwarding a window procedure instance needs the instance and the procedure before it");
    RetargetObjectInstance(Instance, new TInstanceForwarder{Instance, Previous, Wnd}, &TInstanceForwarder::Proc);
}

int ObjectInstanceCount() {
    std::lock_guard<std::mutex> guard(Pool().Lock);
    return Pool().InUse;
}
