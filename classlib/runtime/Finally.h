#pragma once
// The "finally" part of a try block as an object: its destructor runs the action on every way out of the scope,
// an exception included. Use as: auto restore = Finally([&] { FUpdating = false; });
#include <utility>

template <class F>
class TFinally {
public:
    explicit TFinally(F action) : FAction(std::move(action)) {}
    ~TFinally() { FAction(); }
    TFinally(const TFinally&) = delete;
    TFinally& operator=(const TFinally&) = delete;

private:
    F FAction;
};

template <class F>
[[nodiscard]] TFinally<F> Finally(F action) {
    return TFinally<F>(std::move(action));
}
