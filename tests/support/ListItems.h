#pragma once
// The items of a string list as a vector, for comparing whole lists in one expectation.
#include "classlib/runtime/Lists.h"

#include <string>
#include <vector>

inline std::vector<std::string> Items(const TStrings& list) {
    std::vector<std::string> r;
    for (int i = 0; i < list.Count(); ++i)
        r.push_back(list[i]);
    return r;
}
