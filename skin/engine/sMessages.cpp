#include "sMessages.h"

namespace {

// The name is registered so that the system knows it is in use, but the number stays the fixed one: every
// process that talks to skinned windows must agree on it whatever the system hands out.
UINT RegisterSkinMessage() {
    UINT registered = RegisterWindowMessageA("SM_QUORVEXCMD");
    (void)registered;
    return SM_QUORVEXCMD_NUMBER;
}

}  // namespace

UINT SM_QUORVEXCMD = RegisterSkinMessage();
