#include "ShellItems.h"

#include "classlib/runtime/SysUtils.h"

#include <shellapi.h>

namespace {

std::string NameOf(IShellFolder* Folder, LPCITEMIDLIST ID) {
    STRRET name{};
    OleCheck(Folder->GetDisplayNameOf(ID, SHGDN_NORMAL, &name), "GetDisplayNameOf");
    switch (name.uType) {
    case STRRET_WSTR: {
        int n = WideCharToMultiByte(CP_ACP, 0, name.pOleStr, -1, nullptr, 0, nullptr, nullptr);
        std::string text(static_cast<size_t>(n > 0 ? n : 1), '\0');
        WideCharToMultiByte(CP_ACP, 0, name.pOleStr, -1, text.data(), n, nullptr, nullptr);
        CoTaskMemFree(name.pOleStr);
        return text.c_str();
    }
    case STRRET_CSTR:
        return name.cStr;
    default:
        return reinterpret_cast<const char*>(ID) + name.uOffset;
    }
}

}  // namespace

std::vector<TShellItem> ListShellItems(IShellFolder* Folder) {
    std::vector<TShellItem> items;
    Microsoft::WRL::ComPtr<IEnumIDList> list;
    HRESULT result = Folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_NONFOLDERS, &list);
    OleCheck(result, "EnumObjects");
    if (result != S_OK || !list)
        return items;
    LPITEMIDLIST id = nullptr;
    ULONG got = 0;
    while (list->Next(1, &id, &got) == S_OK && got == 1) {
        TShellItem item;
        item.ID.reset(id);
        item.Name = NameOf(Folder, id);
        SFGAOF attributes = SFGAO_FOLDER;
        LPCITEMIDLIST ids[1] = {id};
        if (SUCCEEDED(Folder->GetAttributesOf(1, ids, &attributes)))
            item.Folder = (attributes & SFGAO_FOLDER) != 0;
        items.push_back(std::move(item));
    }
    return items;
}

HICON ShellItemIcon(LPCITEMIDLIST AbsoluteID) {
    SHFILEINFOA info{};
    if (!SHGetFileInfoA(reinterpret_cast<LPCSTR>(AbsoluteID), 0, &info, sizeof info,
                        SHGFI_PIDL | SHGFI_ICON | SHGFI_SMALLICON))
        return nullptr;
    return info.hIcon;
}

std::string PIDLBytes(LPCITEMIDLIST ID) {
    return std::string(reinterpret_cast<const char*>(ID), PIDLSize(ID));
}
