// The application's exception handler hook.
#include "classlib/runtime/ExceptionHandler.h"
#include "classlib/runtime/SysUtils.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ApplicationExceptionHandler, AnInstalledHandlerReceivesTheExceptionAndCanBeReplacedBack) {
    std::string seen;
    TExceptionHandler previous = SetApplicationExceptionHandler([&](const std::exception& e) { seen = e.what(); });
    HandleApplicationException(EConvertError("not a number"));
    EXPECT_EQ(seen, "not a number");
    TExceptionHandler mine = SetApplicationExceptionHandler(previous);
    EXPECT_TRUE(static_cast<bool>(mine));
}

TEST(ApplicationExceptionHandler, AThrowingHandlerNeverLetsTheExceptionOut) {
    TExceptionHandler previous =
        SetApplicationExceptionHandler([](const std::exception&) { throw Exception("handler broke"); });
    EXPECT_NO_THROW(HandleApplicationException(Exception("original")));
    SetApplicationExceptionHandler(previous);
}

TEST(ApplicationExceptionHandler, RunGuardedHandsEveryExceptionOver) {
    std::string seen;
    TExceptionHandler previous = SetApplicationExceptionHandler([&](const std::exception& e) { seen = e.what(); });
    RunGuarded([] { throw EInvalidOperation("guarded"); });
    EXPECT_EQ(seen, "guarded");
    RunGuarded([] { throw 1; });
    EXPECT_EQ(seen, "Unknown exception");
    SetApplicationExceptionHandler(previous);
}

}  // namespace
