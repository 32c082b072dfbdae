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

TEST(FMenuModel, EveryCommandHasExactlyOneItem)
{
    std::vector<int> ids;
    for (const FMenu& menu : MainMenu())
        for (const FMenuItem& item : menu.items) {
            if (item.kind == FMenuItemKind::Command)
                ids.push_back(item.command);
            for (const FMenuItem& sub : item.items)
                ids.push_back(sub.command);
        }
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
    EXPECT_EQ(checkedSet(settings), (std::set<int>{kCmdRenderTransparentPage, kCmdNormalQuality, kCmdSortByName}));
    settings.LightenPhotos = settings.RenderShadows = settings.RenderTransparentPage = true;
    settings.ShinyPaper = settings.ShinyPhotos = true;
    settings.Quality = 2;
    settings.Sort = 1;
    EXPECT_EQ(checkedSet(settings), (std::set<int>{kCmdLightenPhotos, kCmdRenderShadows, kCmdRenderTransparentPage,
                                                   kCmdShinyPaper, kCmdShinyPhotos, kCmdHighQuality, kCmdSortByDate}));

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
    settings.RecentPath[9] = FString(u"/top.jpg"); // the root's folder text is empty
    const FMenuState state = BuildMenuState(FLocale(), settings);

    EXPECT_EQ(U8(state.Find(40051)->text), "/Photos/12:30 a\\b"); // ":" and "\\" are name characters
    EXPECT_EQ(U8(state.Find(40052)->text), "/home/ann/Bilder");
    EXPECT_EQ(U8(state.Find(40053)->text), "D:photo.png"); // no folder part: shown whole
    EXPECT_EQ(U8(state.Find(40054)->text), " ");
    EXPECT_EQ(U8(state.Find(40060)->text), " ");
    EXPECT_EQ(U8(MenuText(FString())), " "); // an empty line of a language file too
}

TEST(FMenuModel, WindowTitleCountsSpreadsAndShowsLoading)
{
    const FLocale english;
    const std::string book = "Quillo's Photo Book, Page ";
    EXPECT_EQ(U8(WindowTitle(0, 0, false, english)), book + "1 of 1"); // an empty book is still one spread
    EXPECT_EQ(U8(WindowTitle(4, 28, false, english)), book + "3 of 8");
    EXPECT_EQ(U8(WindowTitle(0, 1, true, english)), book + "1 of 1, Loading Photos...");
    EXPECT_EQ(U8(WindowTitle(2046, 1024, false, english)), book + "1024 of 257");
}

} // namespace
