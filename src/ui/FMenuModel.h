#pragma once
// The main menu, the popup menus and the window title as plain data. The Qt menu bar
// is built from MainMenu() once and then only takes texts and check marks from
// BuildMenuState(), so a language change rewrites every text in one pass.

#include "app/FAppHost.h"
#include "base/FLocale.h"
#include "base/FSettings.h"
#include "base/FString.h"

#include <array>
#include <vector>

enum class FMenuItemKind
{
    Command,
    Separator,
    Submenu,
};

struct FMenuItem
{
    FMenuItemKind kind = FMenuItemKind::Command;
    int command = 0;
    // Locale text of the item; -1 for the recent folders (texts from the settings)
    // and for items with a fixed text.
    int textNumber = -1;
    // Text that is never looked up: "Set Language..." must stay readable whatever
    // language the user has loaded by mistake.
    FString fixedText;
    // Shown right-aligned after a tab: "F1" ... "F8", "F12", "1" ... "4".
    FString shortcut;
    // The check mark mirrors a setting; the menu never toggles it by itself.
    bool checkable = false;
    std::vector<FMenuItem> items; // a submenu's items
};

struct FMenu
{
    int textNumber = 0;
    std::vector<FMenuItem> items;
};

inline constexpr int kMainMenuCount = 7;
// Position of the Recent Folders submenu inside the File menu.
inline constexpr int kRecentFoldersPosition = 1;

// File, Play, Photo, View, Light, Settings, Help, in this order.
const std::array<FMenu, kMainMenuCount>& MainMenu();

struct FMenuItemState
{
    int command = 0;
    FString text;
    bool checked = false;
    bool enabled = true;
};

struct FMenuState
{
    std::array<FString, kMainMenuCount> menuTexts;
    FString recentFoldersText;
    // Every command item of the main menu, in menu order, recent folders included.
    std::vector<FMenuItemState> items;

    // nullptr for a command the main menu does not have.
    const FMenuItemState* Find(int command) const;
};

// Texts, check marks and recent folders of the whole main menu.
FMenuState BuildMenuState(const FLocale& locale, const FSettings& settings);

// Menus cannot show an empty text (the item would collapse), so it becomes " ".
FString MenuText(const FString& text);

// A recent folder item shows the folder of the stored photo path.
FString RecentFolderText(const FString& recentPath);

struct FPopupItem
{
    FMenuItemKind kind = FMenuItemKind::Command; // Command or Separator
    int command = 0;                             // 0 for the photo's path
    FString text;
    bool enabled = true;
};

// Items of a context menu; photoPath heads the Photo menu as a disabled item.
std::vector<FPopupItem> PopupMenuItems(PopupKind kind, const FLocale& locale, const FString& photoPath = FString());

inline constexpr const char* kProgramTitle = "Quillo's Photo Book";

// The title doubles as the status line: "Quillo's Photo Book, Page 3 of 7", with
// ", Slideshow" while one plays and ", Loading Photos..." while photo textures
// around the spread are still pending.
FString WindowTitle(int pageIndex, int photoCount, bool photosPending, const FLocale& locale, bool slideshow = false);
