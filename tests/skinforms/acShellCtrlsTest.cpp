#include "skin/forms/acShellCtrls.h"

#include "ShellItems.h"

#include "classlib/runtime/SysUtils.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iostream>

namespace {

// A list in the shell's memory with the given bytes (items and terminator).
TPIDLPtr MakePIDL(const std::string& Bytes) {
    auto* id = static_cast<ITEMIDLIST*>(ShellAlloc(Bytes.size()));
    if (!id)
        throw std::runtime_error("no shell memory");
    std::memcpy(id, Bytes.data(), Bytes.size());
    return TPIDLPtr(id);
}

const std::string TwoItems("\x05\x00"
                           "abc"
                           "\x04\x00"
                           "xy"
                           "\x00\x00",
                           11);
const std::string OneItem("\x06\x00"
                          "wxyz"
                          "\x00\x00",
                          8);

TEST(ItemLists, SizesCountEveryItemAndTheTerminator) {
    EXPECT_EQ(PIDLSize(nullptr), 0u);
    auto empty = MakePIDL(std::string(2, '\0'));
    EXPECT_EQ(PIDLSize(empty.get()), 2u);
    auto two = MakePIDL(TwoItems);
    EXPECT_EQ(PIDLSize(two.get()), 11u);
    LPITEMIDLIST second = NextPIDL(two.get());
    EXPECT_EQ(reinterpret_cast<char*>(second) - reinterpret_cast<char*>(two.get()), 5);
    EXPECT_EQ(PIDLSize(second), 6u);
    EXPECT_EQ(PIDLSize(NextPIDL(second)), 2u);
    EXPECT_EQ(NextPIDL(nullptr), nullptr);
}

TEST(ItemLists, ShellMemoryComesZeroFilled) {
    auto* block = static_cast<unsigned char*>(ShellAlloc(300));
    ASSERT_NE(block, nullptr);
    int nonZero = 0;
    for (int i = 0; i < 300; ++i)
        nonZero += block[i] != 0;
    EXPECT_EQ(nonZero, 0);
    DisposePIDL(reinterpret_cast<LPITEMIDLIST>(block));
}

TEST(ItemLists, CopiesAndJoinedListsHaveTheirOwnMemory) {
    auto two = MakePIDL(TwoItems);
    auto one = MakePIDL(OneItem);
    TPIDLPtr copy(CopyPIDL(two.get()));
    EXPECT_NE(copy.get(), two.get());
    EXPECT_EQ(PIDLBytes(copy.get()), TwoItems);
    EXPECT_EQ(CopyPIDL(nullptr), nullptr);

    TPIDLPtr justTwo(ConcatPIDLs(nullptr, two.get()));
    EXPECT_NE(justTwo.get(), two.get());
    EXPECT_EQ(PIDLBytes(justTwo.get()), TwoItems);
    TPIDLPtr joined(ConcatPIDLs(two.get(), one.get()));
    EXPECT_EQ(PIDLBytes(joined.get()), TwoItems.substr(0, 9) + OneItem);
    // A missing second list adds nothing, and the joined list still ends.
    TPIDLPtr firstOnly(ConcatPIDLs(one.get(), nullptr));
    EXPECT_EQ(PIDLBytes(firstOnly.get()), OneItem);
    TPIDLPtr nothing(ConcatPIDLs(nullptr, nullptr));
    EXPECT_EQ(PIDLBytes(nothing.get()), std::string(2, '\0'));
    DisposePIDL(nullptr);
}

TEST(ShellStartUp, OleIsInitialisedAndTheDesktopNodeMade) {
    // A second initialisation of the same thread answers S_FALSE.
    HRESULT again = OleInitialize(nullptr);
    EXPECT_EQ(again, S_FALSE);
    if (SUCCEEDED(again))
        OleUninitialize();

    TacShellFolder* desktop = DesktopFolder();
    ASSERT_NE(desktop, nullptr);
    EXPECT_EQ(desktop->Parent(), nullptr);
    EXPECT_EQ(desktop->Level(), 0);
    EXPECT_NE(desktop->ShellFolder(), nullptr);
    EXPECT_EQ(desktop->ShellDetails(), nullptr);
    EXPECT_EQ(desktop->ShellFolder2(), nullptr);
    ASSERT_NE(desktop->Details(), nullptr);
    TPIDLPtr id(DesktopPIDL());
    EXPECT_EQ(PIDLBytes(desktop->AbsoluteID()), PIDLBytes(id.get()));
    EXPECT_EQ(PIDLBytes(desktop->RelativeID()), PIDLBytes(id.get()));
}

// Tries the folder tree's lock from another thread; the result lands in *Param.
DWORD WINAPI TryTheShellLock(LPVOID Param) {
    auto* result = static_cast<BOOL*>(Param);
    *result = TryEnterCriticalSection(&ShellFolderLock());
    if (*result)
        LeaveCriticalSection(&ShellFolderLock());
    return 0;
}

TEST(ShellStartUp, TheFolderTreesLockIsReadyAndTakenByOneThreadAtATime) {
    CRITICAL_SECTION& lock = ShellFolderLock();
    ASSERT_TRUE(TryEnterCriticalSection(&lock));
    // Held here, another thread waits.
    BOOL other = TRUE;
    HANDLE thread = CreateThread(nullptr, 0, TryTheShellLock, &other, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, 5000);
    CloseHandle(thread);
    EXPECT_FALSE(other);
    LeaveCriticalSection(&lock);
}

TEST(ShellFolders, ANodeWithoutParentHangsFromTheDesktop) {
    auto one = MakePIDL(OneItem);
    TacShellFolder node(nullptr, GetDesktopFolder().Get(), one.get());
    EXPECT_EQ(node.Parent(), DesktopFolder());
    EXPECT_EQ(node.Level(), 0);
    TPIDLPtr desktop(DesktopPIDL());
    std::string start = PIDLBytes(desktop.get());
    start.resize(start.size() - 2);
    EXPECT_EQ(PIDLBytes(node.AbsoluteID()), start + OneItem);
    EXPECT_EQ(PIDLBytes(node.RelativeID()), OneItem);
    EXPECT_NE(node.RelativeID(), one.get());
}

TEST(ShellFolders, TheDesktopsChildrenAreWalkedWithTheirNamesAndIcons) {
    TacShellFolder* desktop = DesktopFolder();
    ASSERT_NE(desktop, nullptr);
    std::vector<TShellItem> items = ListShellItems(desktop->ShellFolder());
    ASSERT_FALSE(items.empty());
    int folders = 0;
    for (const TShellItem& item : items) {
        EXPECT_FALSE(item.Name.empty());
        Microsoft::WRL::ComPtr<IShellFolder> sub;
        if (item.Folder)
            OleCheck(desktop->ShellFolder()->BindToObject(item.ID.get(), nullptr, IID_PPV_ARGS(&sub)), "BindToObject");
        TacShellFolder child(desktop, item.Folder ? sub.Get() : desktop->ShellFolder(), item.ID.get());
        EXPECT_EQ(child.Parent(), desktop);
        EXPECT_EQ(child.Level(), 0);
        EXPECT_EQ(PIDLBytes(child.AbsoluteID()), PIDLBytes(item.ID.get()));  // the desktop's own list is empty
        HICON icon = ShellItemIcon(child.AbsoluteID());
        EXPECT_NE(icon, nullptr) << item.Name;
        if (icon)
            DestroyIcon(icon);
        std::cout << "  desktop item: " << item.Name << (item.Folder ? " (folder)" : "") << ", "
                  << PIDLSize(child.AbsoluteID()) << " bytes\n";
        if (!item.Folder)
            continue;
        ++folders;
        // One step further down: the grandchild's list is the child's followed by its own.
        std::vector<TShellItem> inner = ListShellItems(sub.Get());
        if (inner.empty())
            continue;
        TacShellFolder grandchild(&child, sub.Get(), inner[0].ID.get());
        EXPECT_EQ(grandchild.Level(), 1);
        EXPECT_EQ(grandchild.Parent(), &child);
        std::string expected = PIDLBytes(child.AbsoluteID());
        expected.resize(expected.size() - 2);
        EXPECT_EQ(PIDLBytes(grandchild.AbsoluteID()), expected + PIDLBytes(inner[0].ID.get()));
        HICON innerIcon = ShellItemIcon(grandchild.AbsoluteID());
        EXPECT_NE(innerIcon, nullptr) << item.Name << " / " << inner[0].Name;
        if (innerIcon)
            DestroyIcon(innerIcon);
    }
    EXPECT_GT(folders, 0);
}

}  // namespace
