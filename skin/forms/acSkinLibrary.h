#pragma once
// The skin library's start-up as one call: a program that uses the library calls it once before it makes its
// windows. Each unit starts itself when it is linked in (its objects made at program start); this call names
// every unit that has start-up work, so that all of them are in the program, and takes the steps in this order,
// each once (what a unit did at program start is not done again):
//   1. the skin command message number (SM_QUORVEXCMD);
//   2. the library-wide pixel-access objects and the widest pixel loops the processor has;
//   3. OLE and the desktop node of the shell-folder support;
//   4. SetWindowTheme from the visual-styles library, where the system has one;
//   5. the Windows version;
//   6. the program file's large and small icons;
//   7. the PNG picture class for files with the extension "png".
// The dialog hook's unit is named too, so that message boxes, standard dialogs and popup menus are skinned.
// Raises an exception naming the step that could not be done.
void StartSkinLibrary();
