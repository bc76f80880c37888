#include "acSkinLibrary.h"

#include "acProvider.h"
#include "acShellCtrls.h"

#include "skin/engine/acFastPixels.h"
#include "skin/engine/acPNG.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sMessages.h"
#include "skin/engine/sSkinData.h"
#include "skin/engine/sVclUtils.h"

#include "classlib/visual/Graphics.h"
#include "classlib/runtime/SysUtils.h"

#include <windows.h>

namespace {

void Fail(const std::string& What) { throw Exception("The skin library could not start: " + What); }

void StartOnce() {
    if (SM_QUORVEXCMD != SM_QUORVEXCMD_NUMBER)
        Fail("its window message has the number " + std::to_string(SM_QUORVEXCMD));
    // The pixel-access objects are plain objects of the library; the loops are chosen once for the processor.
    acPixelLoops = acWidestPixelLoops();
    (void)&acFast24Src;
    (void)&acFast24Dst;
    (void)&acFastSum24;
    (void)&acFast32;
    // The shell-folder support starts OLE with its desktop node.
    (void)DesktopFolder();
    // SetWindowTheme is optional: a system without visual styles has none, and the adapters then skip it.
    (void)acSetWindowTheme;
    if (acWinMajorVersion == 0)
        Fail("the Windows version cannot be read");
    (void)AppIconLarge();
    (void)AppIconSmall();
    RegisterPNGGraphicClass();
    TGraphicClass png{};
    if (!TPicture::GraphicClassForFile("a.png", png) || std::string(png.ClassName) != TPNGGraphic::StaticClassName())
        Fail("the PNG picture class is not registered");
}

}  // namespace

void StartSkinLibrary() {
    static const bool started = (StartOnce(), true);
    (void)started;
    // The unit of the dialog hook, which the default manager installs for its thread once a skin is in force.
    acUseDialogHook();
}
