#pragma once
// Published properties of controls read and written by name, through the property tables the class library
// keeps for its form descriptions. Grids and trees of several makers carry colours, fonts and events under the
// same published names; an adapter colours whichever of them a control has and leaves the rest alone.
#include <any>
#include <string>
#include <string_view>
#include <vector>

#include "classlib/runtime/FormResources.h"
#include "classlib/visual/Graphics.h"

// True when the object publishes a property of that name (of any kind).
bool HasPublishedProp(TPersistent* Obj, std::string_view Name);
// A colour property; false (Value untouched) when there is none of that name.
bool GetColorProp(TPersistent* Obj, std::string_view Name, TColor& Value);
bool SetColorProp(TPersistent* Obj, std::string_view Name, TColor Value);
bool GetIntProp(TPersistent* Obj, std::string_view Name, int& Value);
// The nested object of an object property ("TitleFont", "Header"), nil when there is none.
TPersistent* GetObjectProp(TPersistent* Obj, std::string_view Name);
// The colour of a font property ("TitleFont".Color); false when there is no such font.
bool GetFontColorProp(TPersistent* Obj, std::string_view Name, TColor& Value);
bool SetFontColorProp(TPersistent* Obj, std::string_view Name, TColor Value);
// The members of a set property; false when there is none of that name.
bool GetSetProp(TPersistent* Obj, std::string_view Name, std::vector<std::string>& Members);
bool SetSetProp(TPersistent* Obj, std::string_view Name, const std::vector<std::string>& Members);
// The items of a collection property; empty when there is none.
std::vector<TPersistent*> GetCollectionItems(TPersistent* Obj, std::string_view Name);
// An event property: true when the object has one of that name; Assigned tells whether a handler is set.
bool GetEventAssigned(TPersistent* Obj, std::string_view Name, bool& Assigned);
// The handler of an event property (an empty std::any for none or no such event).
std::any GetEventHandler(TPersistent* Obj, std::string_view Name);
// Sets an event's handler; false when there is no such event or the handler is not of the event's type.
bool SetEventHandler(TPersistent* Obj, std::string_view Name, const std::any& Handler);
