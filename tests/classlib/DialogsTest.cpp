// The common dialogs, shown for real and answered from a timer that runs inside their modal loop.
#include "classlib/visual/Dialogs.h"

#include "tests/support/SyntheticInput.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// Runs an action on the first visible window of a class (a dialog of this thread) once it is there, from a timer
// that the dialog's own message loop dispatches. An action that answers false is tried again at the next tick.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(HWND)> action)
        : DialogDriver("#32770", [action](HWND d) {
              action(d);
              return true;
          }) {}
    DialogDriver(const char* windowClass, std::function<bool(HWND)> action) {
        Class() = windowClass;
        Action() = std::move(action);
        Found() = false;
        Waited() = 0;
        FTimer = SetTimer(nullptr, 0, 50, Tick);
    }
    ~DialogDriver() {
        KillTimer(nullptr, FTimer);
        Action() = nullptr;
    }
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;
    static bool& Found() {
        static bool found = false;
        return found;
    }

private:
    static std::string& Class() {
        static std::string name;
        return name;
    }
    static std::function<bool(HWND)>& Action() {
        static std::function<bool(HWND)> action;
        return action;
    }
    static BOOL CALLBACK FindDialog(HWND window, LPARAM result) {
        char name[32] = {};
        GetClassNameA(window, name, sizeof name);
        if (name == Class() && IsWindowVisible(window)) {
            *reinterpret_cast<HWND*>(result) = window;
            return FALSE;
        }
        return TRUE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        HWND dialog = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
        if (!dialog || Found() || !Action())
            return;
        Found() = Action()(dialog);
        // A dialog that never takes its answer is closed after about 20 s, so the test fails on its
        // expectations instead of waiting for the test runner's timeout.
        if (!Found() && ++Waited() > 400) {
            ADD_FAILURE() << "the " << Class() << " window did not take its answer";
            Found() = true;
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        }
    }
    static int& Waited() {
        static int ticks = 0;
        return ticks;
    }
    UINT_PTR FTimer;
};

void Press(HWND dialog, int id) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

void TypeFileName(HWND dialog, const std::string& name) {
    HWND edit = GetDlgItem(dialog, cmb13);
    if (!edit)
        edit = GetDlgItem(dialog, edt1);
    ASSERT_NE(edit, nullptr);
    SetWindowTextA(edit, name.c_str());
}

TEST(SaveDialog, ReturnsTheTypedNameWithTheExtensionOfTheChosenFilter) {
    TempDir dir;
    TSaveDialog dialog(nullptr);
    dialog.SetFilter("TXT file(*.txt)|*.txt|Log file(*.log)|*.log");
    dialog.SetFilterIndex(2);
    dialog.SetDefaultExt("txt");
    dialog.SetInitialDir(dir.Path());
    dialog.SetTitle("Save the log");
    std::string title;
    DialogDriver driver([&](HWND d) {
        char text[64] = {};
        GetWindowTextA(d, text, sizeof text);
        title = text;
        TypeFileName(d, "AT command log");
        Press(d, IDOK);
    });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(title, "Save the log");
    // The system adds the extension of the filter in use, which the default extension only stands in for.
    EXPECT_EQ(dialog.FileName(), dir.Path() + "AT command log.log");
    EXPECT_EQ(dialog.FilterIndex(), 2);
    ASSERT_EQ(dialog.Files()->Count(), 1);
    EXPECT_EQ(dialog.Files()->Strings(0), dialog.FileName());
}

TEST(OpenDialog, CancelAnswersFalseAndKeepsTheFileName) {
    TOpenDialog dialog(nullptr);
    dialog.SetFileName("kept.txt");
    DialogDriver driver([](HWND d) { Press(d, IDCANCEL); });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_TRUE(DialogDriver::Found());
    EXPECT_EQ(dialog.FileName(), "kept.txt");
}

TEST(OpenDialog, SeveralChosenFilesComeBackWithTheirFullPaths) {
    TempDir dir;
    WriteFileBytes(dir.File("a.txt"), "a");
    WriteFileBytes(dir.File("b.txt"), "b");
    TOpenDialog dialog(nullptr);
    dialog.SetOptions(dialog.Options() + TOpenOptions{ofAllowMultiSelect, ofFileMustExist});
    dialog.SetInitialDir(dir.Path());
    DialogDriver driver([](HWND d) {
        TypeFileName(d, "\"a.txt\" \"b.txt\"");
        Press(d, IDOK);
    });
    ASSERT_TRUE(dialog.Execute());
    std::string folder = dir.Path();
    ASSERT_EQ(dialog.Files()->Count(), 2);
    EXPECT_EQ(dialog.Files()->Strings(0), folder + "a.txt");
    EXPECT_EQ(dialog.Files()->Strings(1), folder + "b.txt");
    EXPECT_EQ(dialog.FileName(), folder + "a.txt");
}

TEST(OpenDialog, ANameLongerThanTheDialogTakesIsRefused) {
    TOpenDialog dialog(nullptr);
    dialog.SetFileName(std::string(5000, 'x'));
    EXPECT_THROW(dialog.Execute(), EDialogError);
}

TEST(ColorDialog, ConfirmingKeepsTheColourAndTheCustomColours) {
    TColorDialog dialog(nullptr);
    dialog.SetColor(clRed);
    dialog.CustomColors()->Add("ColorA=00C080");
    dialog.CustomColors()->Add("ColorC=208000");
    DialogDriver driver([](HWND d) { Press(d, IDOK); });
    ASSERT_TRUE(dialog.Execute());
    EXPECT_EQ(dialog.Color(), clRed);
    TStrings* custom = dialog.CustomColors();
    ASSERT_EQ(custom->Count(), 16);
    EXPECT_EQ(custom->Values("ColorA"), "00C080");
    EXPECT_EQ(custom->Values("ColorB"), "FFFFFFFF");
    EXPECT_EQ(custom->Values("ColorC"), "208000");
}

TEST(ColorDialog, CancelKeepsTheColour) {
    TColorDialog dialog(nullptr);
    dialog.SetColor(0x123456);
    DialogDriver driver([](HWND d) { Press(d, IDCANCEL); });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(dialog.Color(), 0x123456);
}


// --- the program's own modal forms: the input dialog and the message dialog ---

// Presses keys into the form of that window class once it is the active window with a focused control, as a user
// would; keeps its caption.
struct KeysTo : DialogDriver {
    KeysTo(const char* windowClass, std::function<void()> keys, std::string* caption = nullptr)
        : DialogDriver(windowClass, [keys, caption](HWND d) {
              // Another program's window may have taken the foreground while the form came up: the form asks
              // for it back, as a user would click it.
              if (GetForegroundWindow() != d) {
                  SetForegroundWindow(d);
                  return false;
              }
              if (!GetFocus())
                  return false;
              if (caption) {
                  char text[64] = {};
                  GetWindowTextA(d, text, sizeof text);
                  *caption = text;
              }
              keys();
              return true;
          }) {}
};

TEST(InputQuery, EnterGivesTheTypedTextAndEscapeLeavesTheValue) {
    std::string value = "Cmd6", caption;
    {
        KeysTo keys("TForm", [] { TypeText(L"CMGR"), PressKey(VK_RETURN); }, &caption);
        // The proposal is selected, so typing replaces it.
        ASSERT_TRUE(InputQuery("Add a Shortcut Button", "Name", value));
        EXPECT_EQ(value, "CMGR");
        EXPECT_EQ(caption, "Add a Shortcut Button");
    }
    {
        KeysTo keys("TForm", [] { PressKey(VK_ESCAPE); });
        EXPECT_FALSE(InputQuery("Edit a Shortcut Button", "Name", value));
        EXPECT_EQ(value, "CMGR");
    }
    {
        KeysTo keys("TForm", [] { PressKey(VK_ESCAPE); });
        EXPECT_EQ(InputBox("Input a AT Command", "command", "AT+CPAS"), "AT+CPAS");
    }
    KeysTo keys("TForm", [] { PressKey(VK_END), TypeText(L";+CSQ"), PressKey(VK_RETURN); });
    EXPECT_EQ(InputBox("Input a AT Command", "command", "AT+CPAS"), "AT+CPAS;+CSQ");
}

TEST(MessageDlg, AMessageFormWhoseButtonsAnswerEnterAndEscape) {
    std::string caption;
    {
        KeysTo keys("TMessageForm", [] { PressKey(VK_RETURN); }, &caption);
        EXPECT_EQ(MessageDlg("Delete the button?", mtConfirmation, {mbYes, mbNo}), mrYes);
        EXPECT_EQ(caption, "Confirm");
    }
    {
        KeysTo keys("TMessageForm", [] { PressKey(VK_ESCAPE); });
        EXPECT_EQ(MessageDlg("Delete the button?", mtConfirmation, {mbYes, mbNo}), mrNo);
    }
    {
        KeysTo keys("TMessageForm", [] { PressKey(VK_ESCAPE); });
        EXPECT_EQ(MessageDlg("Stop?", mtWarning, mbYesNoCancel), mrCancel);
    }
    Application->SetTitle("Brimlet test");
    KeysTo keys("TMessageForm", [] { PressKey(VK_RETURN); }, &caption);
    ShowMessage("Saved.");
    EXPECT_EQ(caption, "Brimlet test");
}

}  // namespace
