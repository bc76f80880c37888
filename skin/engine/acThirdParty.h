#pragma once
// The kinds of control that the skin manager's ThirdParty class lists cover, in the order that indexes them.

constexpr int acThirdPartyKindCount = 17;

// "Edit", "Button", ... "StatusBar": the index of a kind is its index in the manager's ThirdParty lists.
extern const char* const acThirdPartyNames[acThirdPartyKindCount];
// What each list holds when nothing is set: one blank.
extern const char* const acThirdPartyDefaults[acThirdPartyKindCount];
