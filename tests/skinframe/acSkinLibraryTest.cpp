#include "skin/forms/acSkinLibrary.h"

#include "skin/engine/acFastPixels.h"
#include "skin/engine/acPNG.h"
#include "skin/engine/sConst.h"
#include "skin/engine/sMessages.h"
#include "skin/engine/sVclUtils.h"
#include "skin/forms/acShellCtrls.h"

#include "classlib/visual/Graphics.h"

#include <gtest/gtest.h>

#include <ole2.h>

TEST(SkinLibraryStart, EveryStepIsDoneOnceAndASecondCallChangesNothing) {
    StartSkinLibrary();
    EXPECT_EQ(SM_QUORVEXCMD, SM_QUORVEXCMD_NUMBER);
    EXPECT_EQ(acPixelLoops, acWidestPixelLoops());
    // OLE is started: a further start on this thread only counts up.
    HRESULT again = OleInitialize(nullptr);
    EXPECT_EQ(again, S_FALSE);
    if (SUCCEEDED(again))
        OleUninitialize();
    ASSERT_NE(DesktopFolder(), nullptr);
    EXPECT_NE(acSetWindowTheme, nullptr);
    EXPECT_TRUE(acWinNT);
    EXPECT_GE(acWinMajorVersion, 5u);
    TGraphicClass png{};
    ASSERT_TRUE(TPicture::GraphicClassForFile("glyph.PNG", png));
    EXPECT_STREQ(png.ClassName, TPNGGraphic::StaticClassName());

    TacShellFolder* desktop = DesktopFolder();
    StartSkinLibrary();
    EXPECT_EQ(DesktopFolder(), desktop);
}
