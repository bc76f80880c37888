#pragma once
// The process-wide handler for exceptions that reach a Win32 entry point (window procedure, timer, hook, thread).
// Such an exception must never cross into the system: the entry point catches it and hands it here. The
// application object installs itself (to show a message box); until then the message goes to stderr and the
// debugger output.
#include <exception>
#include <functional>

using TExceptionHandler = std::function<void(const std::exception& E)>;

// Installs handler (an empty one restores the default) and returns the one it replaces.
TExceptionHandler SetApplicationExceptionHandler(TExceptionHandler handler);
// Hands E to the installed handler. Never throws: a handler that throws is reported by the default one.
void HandleApplicationException(const std::exception& E) noexcept;
// For use inside catch (...): hands the exception being handled to HandleApplicationException
// (an exception not derived from std::exception is reported as "Unknown exception").
void HandleCurrentException() noexcept;
// Writes E the default way: "ClassName: message" to stderr and to the debugger output.
void DefaultExceptionHandler(const std::exception& E) noexcept;

// Runs f, handing any exception to the application's handler; for the body of every Win32 entry point.
template <class F>
void RunGuarded(F&& f) noexcept {
    try {
        f();
    } catch (...) {
        HandleCurrentException();
    }
}
