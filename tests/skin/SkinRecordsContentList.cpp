// The content skin, whose generator cannot be linked beside the flat scroll skin's.
#include "FlatContentSkin.h"
#include "SkinRecords.h"

std::vector<RecordedSkin> RecordedSkins() { return {{MakeFlatContentSkin(), nullptr}}; }
