#include "ui/FMenuModel.h"

#include "app/PageText.h"
#include "base/FCommandIds.h"

namespace {

FMenuItem Item(int command, int textNumber, const char* shortcut = "")
{
    FMenuItem item;
    item.command = command;
    item.textNumber = textNumber;
    item.shortcut = FString(shortcut);
    return item;
}

FMenuItem CheckItem(int command, int textNumber)
{
    FMenuItem item = Item(command, textNumber);
    item.checkable = true;
    return item;
}

FMenuItem Separator()
{
    FMenuItem item;
    item.kind = FMenuItemKind::Separator;
    return item;
}

FMenuItem RecentFoldersSubmenu()
{
    FMenuItem submenu;
    submenu.kind = FMenuItemKind::Submenu;
    submenu.textNumber = 2;
    for (int i = 0; i < kRecentPathCount; ++i)
        submenu.items.push_back(Item(kCmdRecentFolderFirst + i, -1));
    return submenu;
}

std::array<FMenu, kMainMenuCount> MakeMainMenu()
{
    FMenuItem setLanguage = Item(kCmdSetLanguage, -1);
    setLanguage.fixedText = FString("Set Language...");

    return {{
        {0,
         {Item(kCmdSelectFolder, 1), RecentFoldersSubmenu(), Separator(), CheckItem(kCmdSortByName, 98),
          CheckItem(kCmdSortByDate, 99), Separator(), Item(kCmdExportMovie, 73), Separator(), Item(kCmdExit, 3)}},
        {4,
         {Item(kCmdNextPage, 5), Item(kCmdPreviousPage, 6), Item(kCmdGoToFirstPage, 7), Item(kCmdGoToLastPage, 8),
          Separator(), Item(kCmdSlideshow, 87, "F12")}},
        {9,
         {Item(kCmdChangeEffect, 71), Separator(), Item(kCmdRotateClockwise, 10), Item(kCmdRotateCounterClockwise, 11),
          Item(kCmdFlipHorizontal, 12), Item(kCmdFlipVertical, 13), Item(kCmdCopyPhoto, 14),
          Item(kCmdDeletePhoto, 15)}},
        {16,
         {Item(kCmdViewFront, 17, "F1"), Item(kCmdViewTop, 18, "F2"), Item(kCmdViewLeft, 19, "F3"),
          Item(kCmdViewRight, 20, "F4"), Separator(), Item(kCmdViewPhotoTopLeft, 21, "F5"),
          Item(kCmdViewPhotoBottomLeft, 22, "F6"), Item(kCmdViewPhotoTopRight, 23, "F7"),
          Item(kCmdViewPhotoBottomRight, 24, "F8")}},
        {25,
         {Item(kCmdLightLeft, 26, "1"), Item(kCmdLightRight, 27, "2"), Item(kCmdLightTop, 28, "3"),
          Item(kCmdLightFront, 29, "4")}},
        {30,
         {Item(kCmdSetBackgroundColour, 31),
          Item(kCmdSetBackgroundTexture, 32),
          Separator(),
          Item(kCmdSetCoverColour, 82),
          Item(kCmdSetCoverTexture, 83),
          Separator(),
          Item(kCmdSetPaperColour, 33),
          Item(kCmdSetPaperTexture, 74),
          CheckItem(kCmdShinyPaper, 35),
          Separator(),
          CheckItem(kCmdShinyPhotos, 34),
          CheckItem(kCmdLightenPhotos, 37),
          Separator(),
          CheckItem(kCmdRenderTransparentPage, 97),
          Item(kCmdSetTransparentPaperTexture, 75),
          Separator(),
          CheckItem(kCmdRenderShadows, 36),
          Separator(),
          Item(kCmdSetAnimationSpeed, 96),
          Separator(),
          CheckItem(kCmdLowQuality, 38),
          CheckItem(kCmdNormalQuality, 39),
          CheckItem(kCmdHighQuality, 40),
          Separator(),
          Item(kCmdResetAllSettings, 41),
          Separator(),
          setLanguage}},
        {44, {Item(kCmdUserGuide, 45), Separator(), Item(kCmdAbout, 47)}},
    }};
}

bool Checked(int command, const FSettings& settings)
{
    switch (command) {
    case kCmdLightenPhotos: return settings.LightenPhotos;
    case kCmdRenderShadows: return settings.RenderShadows;
    case kCmdRenderTransparentPage: return settings.RenderTransparentPage;
    case kCmdShinyPaper: return settings.ShinyPaper;
    case kCmdShinyPhotos: return settings.ShinyPhotos;
    case kCmdLowQuality: return settings.Quality == 0;
    case kCmdNormalQuality: return settings.Quality == 1;
    case kCmdHighQuality: return settings.Quality == 2;
    case kCmdSortByName: return settings.Sort == 0;
    case kCmdSortByDate: return settings.Sort == 1;
    default: return false;
    }
}

FString CommandText(const FMenuItem& item, const FLocale& locale, const FSettings& settings)
{
    if (item.command >= kCmdRecentFolderFirst && item.command <= kCmdRecentFolderLast)
        return RecentFolderText(settings.GetRecentPath(item.command - kCmdRecentFolderFirst));
    FString text = item.textNumber >= 0 ? locale.GetText(static_cast<uint32_t>(item.textNumber)) : item.fixedText;
    if (!item.shortcut.IsEmpty())
        text = text + FString(u"\t") + item.shortcut;
    return MenuText(text);
}

void AddStates(const std::vector<FMenuItem>& items, const FLocale& locale, const FSettings& settings,
               std::vector<FMenuItemState>& out)
{
    for (const FMenuItem& item : items) {
        if (item.kind == FMenuItemKind::Submenu)
            AddStates(item.items, locale, settings, out);
        else if (item.kind == FMenuItemKind::Command)
            out.push_back({item.command, CommandText(item, locale, settings),
                           item.checkable && Checked(item.command, settings), true});
    }
}

FPopupItem PopupCommand(int command, int textNumber, const FLocale& locale)
{
    return {FMenuItemKind::Command, command, MenuText(locale.GetText(static_cast<uint32_t>(textNumber))), true};
}

FPopupItem PopupSeparator()
{
    return {FMenuItemKind::Separator, 0, FString(), true};
}

} // namespace

const std::array<FMenu, kMainMenuCount>& MainMenu()
{
    static const std::array<FMenu, kMainMenuCount> menu = MakeMainMenu();
    return menu;
}

const FMenuItemState* FMenuState::Find(int command) const
{
    for (const FMenuItemState& item : items)
        if (item.command == command)
            return &item;
    return nullptr;
}

FMenuState BuildMenuState(const FLocale& locale, const FSettings& settings)
{
    FMenuState state;
    const auto& menu = MainMenu();
    for (int i = 0; i < kMainMenuCount; ++i) {
        const FMenu& top = menu[static_cast<size_t>(i)];
        state.menuTexts[static_cast<size_t>(i)] = MenuText(locale.GetText(static_cast<uint32_t>(top.textNumber)));
        AddStates(top.items, locale, settings, state.items);
    }
    const FMenuItem& recent = menu[0].items[kRecentFoldersPosition];
    state.recentFoldersText = MenuText(locale.GetText(static_cast<uint32_t>(recent.textNumber)));
    return state;
}

FString MenuText(const FString& text)
{
    return text.IsEmpty() ? FString(u" ") : text;
}

FString RecentFolderText(const FString& recentPath)
{
    return MenuText(recentPath.DirectoryPart());
}

std::vector<FPopupItem> PopupMenuItems(PopupKind kind, const FLocale& locale, const FString& photoPath)
{
    switch (kind) {
    case PopupKind::Photo:
        return {{FMenuItemKind::Command, 0, MenuText(photoPath), false},
                PopupSeparator(),
                PopupCommand(kCmdChangeEffect, 71, locale),
                PopupSeparator(),
                PopupCommand(kCmdRotateClockwise, 10, locale),
                PopupCommand(kCmdRotateCounterClockwise, 11, locale),
                PopupCommand(kCmdFlipHorizontal, 12, locale),
                PopupCommand(kCmdFlipVertical, 13, locale),
                PopupCommand(kCmdCopyPhoto, 14, locale),
                PopupCommand(kCmdDeletePhoto, 15, locale)};
    case PopupKind::Paper:
        return {PopupCommand(kCmdSetPaperColour, 33, locale), PopupCommand(kCmdSetPaperTexture, 74, locale),
                PopupSeparator(), PopupCommand(kCmdSetTransparentPaperTexture, 75, locale)};
    case PopupKind::Cover:
        return {PopupCommand(kCmdSetCoverColour, 82, locale), PopupCommand(kCmdSetCoverTexture, 83, locale)};
    case PopupKind::Background:
        return {PopupCommand(kCmdSetBackgroundColour, 31, locale), PopupCommand(kCmdSetBackgroundTexture, 32, locale)};
    }
    return {};
}

FString WindowTitle(int pageIndex, int photoCount, bool photosPending, const FLocale& locale, bool slideshow)
{
    FString title(kProgramTitle);
    title.Append(FString(u", ")).Append(PageText(pageIndex, photoCount, locale));
    if (slideshow)
        title.Append(FString(u", ")).Append(locale.GetText(87));
    if (photosPending)
        title.Append(FString(u", ")).Append(locale.GetText(54));
    return title;
}
