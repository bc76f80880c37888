#include "ExceptionHandler.h"

#include "SysUtils.h"

#include <cstdio>
#include <mutex>

namespace {

std::mutex& HandlerLock() {
    static std::mutex lock;
    return lock;
}

TExceptionHandler& InstalledHandler() {
    static TExceptionHandler handler;
    return handler;
}

}  // namespace

TExceptionHandler SetApplicationExceptionHandler(TExceptionHandler handler) {
    std::lock_guard<std::mutex> guard(HandlerLock());
    TExceptionHandler previous = std::move(InstalledHandler());
    InstalledHandler() = std::move(handler);
    return previous;
}

void DefaultExceptionHandler(const std::exception& E) noexcept {
    const auto* ours = dynamic_cast<const Exception*>(&E);
    std::string text = std::string(ours ? ours->ClassName() : "std::exception") + ": " + E.what() + "\n";
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
    OutputDebugStringA(text.c_str());
}

void HandleApplicationException(const std::exception& E) noexcept {
    TExceptionHandler handler;
    {
        std::lock_guard<std::mutex> guard(HandlerLock());
        handler = InstalledHandler();
    }
    if (!handler) {
        DefaultExceptionHandler(E);
        return;
    }
    try {
        handler(E);
    } catch (const std::exception& failure) {
        // The handler itself failed (e.g. no message box possible): report both the default way.
        DefaultExceptionHandler(E);
        DefaultExceptionHandler(failure);
    } catch (...) {
        DefaultExceptionHandler(E);
    }
}

void HandleCurrentException() noexcept {
    try {
        throw;
    } catch (const std::exception& E) {
        HandleApplicationException(E);
    } catch (...) {
        HandleApplicationException(Exception("Unknown exception"));
    }
}
