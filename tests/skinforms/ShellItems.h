#pragma once
// The items of a shell folder as the tests list them: item list, display name, folder or not.
#include "skin/forms/acShellCtrls.h"

#include <memory>
#include <string>
#include <vector>

struct TPIDLDisposer {
    void operator()(ITEMIDLIST* ID) const { DisposePIDL(ID); }
};
using TPIDLPtr = std::unique_ptr<ITEMIDLIST, TPIDLDisposer>;

struct TShellItem {
    TPIDLPtr ID;  // relative to the folder
    std::string Name;
    bool Folder = false;
};

// The folders and other items of the folder, in the shell's order.
std::vector<TShellItem> ListShellItems(IShellFolder* Folder);
// The item's icon (small, from its absolute list), which the caller destroys; 0 when the shell has none.
HICON ShellItemIcon(LPCITEMIDLIST AbsoluteID);
// The list's bytes with its terminator.
std::string PIDLBytes(LPCITEMIDLIST ID);
