#pragma once
// Controls for the tests of skinned controls: a parent that answers the skin commands a skinned parent answers
// (its section, its background, whether it is cached, its colour) as the test sets them, and children that
// record the skin commands they receive. Plus a hand-made skin in a manager.
#include "skin/engine/sCommonData.h"
#include "skin/engine/sMessages.h"
#include "skin/engine/sSkinManager.h"

#include "classlib/visual/Controls.h"
#include "classlib/visual/Forms.h"

#include <memory>
#include <string>
#include <vector>

// Records the skin commands that reach it (with their LParam) and answers nothing.
template <class Base>
class TSkinRecorder : public Base {
public:
    using Base::Base;
    struct Received {
        int Command;
        LPARAM LParam;
    };
    std::vector<Received> Commands;
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == SM_QUORVEXCMD)
            Commands.push_back({SkinCmdOf(Message.WParam), Message.LParam});
        Base::Dispatch(Message);
    }
};

class TRecordingControl : public TSkinRecorder<TCustomControl> {
    CLASS_INFO(TRecordingControl, TCustomControl)
public:
    using TSkinRecorder<TCustomControl>::TSkinRecorder;
};

class TRecordingGraphic : public TSkinRecorder<TGraphicControl> {
    CLASS_INFO(TRecordingGraphic, TGraphicControl)
public:
    using TSkinRecorder<TGraphicControl>::TSkinRecorder;
};

// A parent answering as a skinned control answers: command 26 with SectionAnswer, 34 with its background
// (Background at BackgroundOffset when set, else a colour when BackgroundColor is not -1, else not at all),
// 36 with CacheState, 21 with ColorAnswer and 61 with ClientOffsetAnswer (MakeLong(x, y), as a skinned form
// tells where its client area lies).
class TAnsweringParent : public TSkinRecorder<TCustomControl> {
    CLASS_INFO(TAnsweringParent, TCustomControl)
public:
    using TSkinRecorder<TCustomControl>::TSkinRecorder;
    int SectionAnswer = 0;
    TBitmap* Background = nullptr;
    TPoint BackgroundOffset;
    TColor BackgroundColor = -1;
    int CacheState = 0;
    TColor ColorAnswer = 0;
    LRESULT ClientOffsetAnswer = 0;
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == SM_QUORVEXCMD) {
            Commands.push_back({SkinCmdOf(Message.WParam), Message.LParam});
            switch (SkinCmdOf(Message.WParam)) {
            case scGetSkinIndex:
                Message.Result = SectionAnswer;
                return;
            case scCacheState:
                Message.Result = CacheState;
                return;
            case scGetColor:
                Message.Result = ColorAnswer;
                return;
            case scGetClientOffset:
                Message.Result = ClientOffsetAnswer;
                return;
            case scGetBgInfo: {
                auto* info = reinterpret_cast<TacBGInfo*>(Message.LParam);
                if (Background) {
                    info->BgType = 2;
                    info->Bmp = Background;
                    info->Offset = BackgroundOffset;
                } else if (BackgroundColor != -1) {
                    info->BgType = 1;
                    info->Color = BackgroundColor;
                }
                return;
            }
            }
        }
        TCustomControl::Dispatch(Message);
    }
};

// A control of the class library carrying skin data, which answers the skin commands and keeps its flags through
// the shared handlers, as a skinned control does.
template <class Base>
class TSkinnedOf : public Base {
public:
    explicit TSkinnedOf(TComponent* AOwner) : Base(AOwner), SkinData(std::make_unique<TsCommonData>(this, true)) {}
    std::unique_ptr<TsCommonData> SkinData;

protected:
    void WndProc(TMessage& Message) override {
        if (SkinData && CommonMessage(Message, SkinData.get()))
            return;
        Base::WndProc(Message);
    }
};

class TSkinnedBox : public TSkinnedOf<TCustomControl> {
    CLASS_INFO(TSkinnedBox, TCustomControl)
public:
    using TSkinnedOf<TCustomControl>::TSkinnedOf;
};

class TfrmSkinTest : public TForm {
    CLASS_INFO(TfrmSkinTest, TForm)
public:
    using TForm::TForm;
};

// Appends a section to the manager's skin; answers its index.
inline int AddSection(TsSkinManager& Manager, const std::string& Name, const std::string& Parent = "") {
    TsGeneralData section;
    section.ClassName = Name;
    section.ParentClass = Parent;
    Manager.Sections.push_back(section);
    return static_cast<int>(Manager.Sections.size()) - 1;
}

// Appends an image of a section (a rectangle of the master bitmap); answers its index.
inline int AddImage(TsSkinManager& Manager, const std::string& Section, const std::string& Key, const TRect& R,
                    TacImgType Type = itisaBorder) {
    TsMaskData mask;
    mask.ClassName = Section;
    mask.PropertyName = Key;
    mask.R = R;
    mask.ImageCount = 1;
    mask.ImgType = Type;
    mask.Manager = &Manager;
    Manager.Masks.push_back(mask);
    return static_cast<int>(Manager.Masks.size()) - 1;
}
