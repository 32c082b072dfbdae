#include "ui/FMenuModel.h"

#include "../base/TestFiles.h"
#include "base/FCommandIds.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

FSettings DefaultSettings()
{
    return FSettings({FString(u"/prog"), 1024, 768});
}

// One line per item: "id text", " *" when checked, "---" for a separator and
// "> text" for a submenu whose items follow indented.
std::vector<std::vector<std::string>> Render(const FMenuState& state)
{
    std::vector<std::vector<std::string>> menus;
    auto line = [&](int command) {
        const FMenuItemState* item = state.Find(command);
        EXPECT_NE(item, nullptr) << command;
        if (!item)
            return std::string("?");
        EXPECT_TRUE(item->enabled) << command;
        return std::to_string(command) + " " + U8(item->text) + (item->checked ? " *" : "");
    };
    for (int m = 0; m < kMainMenuCount; ++m) {
        std::vector<std::string> lines{"[" + U8(state.menuTexts[static_cast<size_t>(m)]) + "]"};
        for (const FMenuItem& item : MainMenu()[static_cast<size_t>(m)].items) {
            if (item.kind == FMenuItemKind::Separator) {
                lines.push_back("---");
            } else if (item.kind == FMenuItemKind::Submenu) {
                lines.push_back("> " + U8(state.recentFoldersText));
                for (const FMenuItem& sub : item.items)
                    lines.push_back("  " + line(sub.command));
            } else {
                lines.push_back(line(item.command));
            }
        }
        menus.push_back(lines);
    }
    return menus;
}

std::vector<int> AllCommands()
{
    std::vector<int> ids;
    for (const FMenu& menu : MainMenu())
        for (const FMenuItem& item : menu.items) {
            if (item.kind == FMenuItemKind::Command)
                ids.push_back(item.command);
            for (const FMenuItem& sub : item.items)
                ids.push_back(sub.command);
        }
    return ids;
}

TEST(FMenuModel, EnglishMenuBarWithDefaultSettings)
{
    FLocale locale;
    FSettings settings = DefaultSettings();
    std::vector<std::string> file{"[File]", "40012 Select Folder", "> Recent Folders", "  40051 /prog/media/photos"};
    for (int id = 40052; id <= 40060; ++id)
        file.push_back("  " + std::to_string(id) + "  "); // an empty recent path shows a blank
    file.insert(file.end(), {"---", "40125 Sort by Name *", "40126 Sort by Date", "---", "40105 Export as Movie...",
                             "---", "40006 Exit"});

    const std::vector<std::vector<std::string>> expected{
        file,
        {"[Play]", "40088 Next Page", "40089 Previous Page", "40090 Go to first Page", "40091 Go to last Page"},
        {"[Photo]", "40104 Change Effect...", "---", "40117 Rotate Clockwise", "40118 Rotate Counter Clockwise",
         "40083 Flip Horizontal", "40084 Flip Vertical", "40119 Copy...", "40120 Delete..."},
        {"[View]", "40067 Front\tF1", "40068 Top\tF2", "40069 Left\tF3", "40070 Right\tF4", "---",
         "40071 Photo Top Left\tF5", "40072 Photo Bottom Left\tF6", "40073 Photo Top Right\tF7",
         "40074 Photo Bottom Right\tF8"},
        {"[Light]", "40077 Left\t1", "40078 Right\t2", "40079 Top\t3", "40080 Front\t4"},
        {"[Settings]",
         "40108 Set Background Colour...",
         "40109 Set Background Picture...",
         "---",
         "40115 Set Cover Colour...",
         "40116 Set Cover Texture...",
         "---",
         "40110 Set Paper Colour...",
         "40106 Set Paper Texture...",
         "40112 Shiny Paper",
         "---",
         "40111 Shiny Photos",
         "40099 Lighten Photos",
         "---",
         "40122 Render Transparent Page... *",
         "40107 Set Transparent Paper Texture...",
         "---",
         "40113 Render Shadows",
         "---",
         "40121 Set Animation Speed...",
         "---",
         "40085 Low Quality",
         "40086 Normal Quality *",
         "40087 High Quality",
         "---",
         "40100 Reset All Settings",
         "---",
         "40103 Set Language..."},
        {"[Help]", "40102 User Guide...", "---", "40024 About"},
    };
    const auto actual = Render(BuildMenuState(locale, settings));
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t m = 0; m < expected.size(); ++m)
        EXPECT_EQ(actual[m], expected[m]) << "menu " << m;
}

TEST(FMenuModel, EveryCommandHasExactlyOneItem)
{
    const std::vector<int> ids = AllCommands();
    EXPECT_EQ(std::set<int>(ids.begin(), ids.end()).size(), ids.size()) << "a command id appears twice";
    const FMenuState state = BuildMenuState(FLocale(), DefaultSettings());
    EXPECT_EQ(state.items.size(), ids.size());
    EXPECT_EQ(state.Find(kCmdToggleFullScreen), nullptr); // Alt+Enter only
}

TEST(FMenuModel, LanguageChangeRewritesEveryTextButSetLanguage)
{
    ScratchDir dir;
    std::string lines;
    for (int n = 0; n < kLocaleTextCount; ++n)
        lines += "T" + std::to_string(n) + "\r\n";
    WriteBytes(dir.file("all.txt"), lines);
    FLocale locale;
    ASSERT_TRUE(locale.LocaleLoad(dir.fileF("all.txt")));
    const FSettings settings = DefaultSettings();
    const FMenuState state = BuildMenuState(locale, settings);

    const std::vector<std::string> tops{"T0", "T4", "T9", "T16", "T25", "T30", "T44"};
    for (size_t m = 0; m < tops.size(); ++m)
        EXPECT_EQ(U8(state.menuTexts[m]), tops[m]);
    EXPECT_EQ(U8(state.recentFoldersText), "T2");

    for (const FMenuItemState& item : state.items) {
        const std::string text = U8(item.text);
        if (item.command == kCmdSetLanguage)
            EXPECT_EQ(text, "Set Language...");
        else if (item.command >= kCmdRecentFolderFirst && item.command <= kCmdRecentFolderLast)
            EXPECT_EQ(text.rfind('T', 0), std::string::npos) << text; // paths are not looked up
        else
            EXPECT_EQ(text.rfind('T', 0), 0u) << item.command << " keeps " << text;
    }
    EXPECT_EQ(U8(state.Find(kCmdViewFront)->text), "T17\tF1");
}

TEST(FMenuModel, CheckMarksMirrorTheSettings)
{
    auto checkedSet = [](const FSettings& settings) {
        std::set<int> checked;
        for (const FMenuItemState& item : BuildMenuState(FLocale(), settings).items)
            if (item.checked)
                checked.insert(item.command);
        return checked;
    };

    FSettings settings = DefaultSettings();
    settings.RenderTransparentPage = false;
    settings.Quality = 0;
    settings.Sort = 1;
    EXPECT_EQ(checkedSet(settings), (std::set<int>{kCmdLowQuality, kCmdSortByDate}));

    settings.LightenPhotos = settings.RenderShadows = settings.RenderTransparentPage = true;
    settings.ShinyPaper = settings.ShinyPhotos = true;
    settings.Quality = 2;
    settings.Sort = 0;
    EXPECT_EQ(checkedSet(settings), (std::set<int>{kCmdLightenPhotos, kCmdRenderShadows, kCmdRenderTransparentPage,
                                                   kCmdShinyPaper, kCmdShinyPhotos, kCmdHighQuality, kCmdSortByName}));

    // A value no item stands for (a hand-edited file) checks none of the group.
    settings.Quality = 3;
    settings.Sort = -1;
    EXPECT_EQ(checkedSet(settings), (std::set<int>{kCmdLightenPhotos, kCmdRenderShadows, kCmdRenderTransparentPage,
                                                   kCmdShinyPaper, kCmdShinyPhotos}));
}

TEST(FMenuModel, RecentFolderItemsShowTheFolderOfEachPath)
{
    FSettings settings = DefaultSettings();
    settings.RecentPath[0] = FString(u"/Photos/12:30 a\\b/IMG:001.JPG");
    settings.RecentPath[1] = FString(u"/home/ann/Bilder/urlaub.jpg");
    settings.RecentPath[2] = FString(u"D:photo.png");
    settings.RecentPath[3] = FString();
    settings.RecentPath[9] = FString(u"/top.jpg"); // the root's folder text is empty
    const FMenuState state = BuildMenuState(FLocale(), settings);

    EXPECT_EQ(U8(state.Find(40051)->text), "/Photos/12:30 a\\b"); // ":" and "\\" are name characters
    EXPECT_EQ(U8(state.Find(40052)->text), "/home/ann/Bilder");
    EXPECT_EQ(U8(state.Find(40053)->text), "D:photo.png"); // no folder part: shown whole
    EXPECT_EQ(U8(state.Find(40054)->text), " ");
    EXPECT_EQ(U8(state.Find(40060)->text), " ");
    EXPECT_FALSE(state.Find(40051)->checked);
    EXPECT_EQ(U8(MenuText(FString())), " "); // an empty line of a language file too
}

TEST(FMenuModel, PopupMenusOfferTheMainMenusCommandsAndTexts)
{
    FLocale locale;
    const FMenuState state = BuildMenuState(locale, DefaultSettings());
    auto commands = [](const std::vector<FPopupItem>& items) {
        std::vector<int> ids;
        for (const FPopupItem& item : items)
            ids.push_back(item.kind == FMenuItemKind::Separator ? -1 : item.command);
        return ids;
    };

    const auto photo = PopupMenuItems(PopupKind::Photo, locale, FString(u"/pics/a.jpg"));
    EXPECT_EQ(commands(photo), (std::vector<int>{0, -1, 40104, -1, 40117, 40118, 40083, 40084, 40119, 40120}));
    EXPECT_EQ(U8(photo[0].text), "/pics/a.jpg");
    EXPECT_FALSE(photo[0].enabled);
    EXPECT_EQ(commands(PopupMenuItems(PopupKind::Paper, locale)), (std::vector<int>{40110, 40106, -1, 40107}));
    EXPECT_EQ(commands(PopupMenuItems(PopupKind::Cover, locale)), (std::vector<int>{40115, 40116}));
    EXPECT_EQ(commands(PopupMenuItems(PopupKind::Background, locale)), (std::vector<int>{40108, 40109}));

    for (PopupKind kind : {PopupKind::Photo, PopupKind::Paper, PopupKind::Cover, PopupKind::Background})
        for (const FPopupItem& item : PopupMenuItems(kind, locale, FString(u"/pics/a.jpg"))) {
            if (item.kind == FMenuItemKind::Separator || item.command == 0)
                continue;
            EXPECT_TRUE(item.enabled);
            ASSERT_NE(state.Find(item.command), nullptr) << item.command;
            EXPECT_EQ(item.text, state.Find(item.command)->text) << item.command;
        }
}

TEST(FMenuModel, WindowTitleCountsSpreadsAndShowsLoading)
{
    FLocale english;
    struct Case
    {
        int pageIndex, photoCount;
        bool pending;
        const char* title;
    };
    const Case cases[] = {
        {0, 0, false, "Quillo's Photo Book, Page 1 of 1"}, // an empty book is still one spread
        {0, 4, false, "Quillo's Photo Book, Page 1 of 2"},
        {2, 4, false, "Quillo's Photo Book, Page 2 of 2"},
        {4, 25, false, "Quillo's Photo Book, Page 3 of 7"},
        {4, 28, false, "Quillo's Photo Book, Page 3 of 8"},
        {0, 1, true, "Quillo's Photo Book, Page 1 of 1, Loading Photos..."},
        {2046, 1024, false, "Quillo's Photo Book, Page 1024 of 257"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(U8(WindowTitle(c.pageIndex, c.photoCount, c.pending, english)), c.title)
            << c.pageIndex << " " << c.photoCount;

    ScratchDir dir;
    std::string lines;
    for (int n = 0; n < 52; ++n)
        lines += "x\r\n";
    WriteBytes(dir.file("de.txt"), lines + "Seite\r\nvon\r\nLade Fotos...\r\n");
    FLocale german;
    ASSERT_TRUE(german.LocaleLoad(dir.fileF("de.txt")));
    EXPECT_EQ(U8(WindowTitle(2, 9, true, german)), "Quillo's Photo Book, Seite 2 von 3, Lade Fotos...");
}

} // namespace
