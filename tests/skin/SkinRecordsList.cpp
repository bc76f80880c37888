// The sample skins of the suite but the content skin (SkinRecordsContentList.cpp), and the sample skin with
// recolouring and with common sections.
#include "FlatFormSkin.h"
#include "FlatMenuSkin.h"
#include "FlatSkinSamples.h"
#include "PaintSkinSamples.h"
#include "SkinRecords.h"

#include "skin/engine/sSkinManager.h"

namespace {

// Common sections that change an existing section and add one with a parent, an image of the master bitmap and a
// gradient.
void WithCommonSections(TsSkinManager& M) {
    M.CommonSections()->SetText(
        "[EDIT]\r\nCOLOR=0x00FF00\r\n[NEWSECTION]\r\nPARENTCLASS=button\r\nFONTCOLOR=0x123456\r\n"
        "GRADIENTDATA=255;65280;50;0;0\r\nBORDERSMASK=#(0,0,30,20)(3,1,2,1)\r\n");
}

}  // namespace

std::vector<RecordedSkin> RecordedSkins() {
    std::vector<RecordedSkin> skins;
    skins.push_back({MakeSampleSkin(), nullptr});
    skins.push_back({MakeSampleSkin("BULK", 40), nullptr});
    skins.push_back({MakeSampleSkin("RECOLOURED"), [](TsSkinManager& m) {
                         m.SetHueOffset(40);
                         m.SetSaturation(30);
                     }});
    skins.push_back({MakeSampleSkin("COMMON"), WithCommonSections});
    skins.push_back({MakeFlatSkin(), nullptr});
    skins.push_back({MakeFlatTexturedSkin(), nullptr});
    skins.push_back({MakeFlatScrollSkin(), nullptr});
    skins.push_back({MakePaintSkin(), nullptr});
    skins.push_back({MakeFlatFormSkin(), nullptr});
    skins.push_back({MakeFlatMenuSkin(), nullptr});
    return skins;
}
