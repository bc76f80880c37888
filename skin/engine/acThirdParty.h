#pragma once
// The kinds of control that the skin manager's ThirdParty class lists cover, in the order that indexes them, and
// the lists themselves as the manager publishes them.
#include "classlib/runtime/Component.h"

#include <array>
#include <string>

constexpr int acThirdPartyKindCount = 17;

// "Edit", "Button", ... "StatusBar": the index of a kind is its index in the manager's ThirdParty lists.
extern const char* const acThirdPartyNames[acThirdPartyKindCount];
// What each list holds when nothing is set: one blank.
extern const char* const acThirdPartyDefaults[acThirdPartyKindCount];
// The published names of the lists ("ThirdEdits", "ThirdButtons", ... "ThirdStatusBar"), in the same order.
extern const char* const acThirdPartyPropNames[acThirdPartyKindCount];

// For each control kind, the class names (one a line) that the control adapters treat as that kind.
class ThirdPartyList : public TPersistent {
    CLASS_INFO(ThirdPartyList, TPersistent)
public:
    ThirdPartyList();
    void Assign(TPersistent* Source) override;
    // The list of kind Index (0 .. acThirdPartyKindCount - 1) as text.
    const std::string& GetString(int Index) const;
    void SetString(int Index, const std::string& Value);

private:
    std::array<std::string, acThirdPartyKindCount> FLists;
};
