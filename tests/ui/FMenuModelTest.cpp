#include "ui/FMenuModel.h"

#include "../base/TestFiles.h"
#include "base/FCommandIds.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

const auto DefaultSettings = [] { return FSettings({FString(u"/prog"), 1024, 768}); };

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
    const FMenuState state = BuildMenuState(locale, DefaultSettings());

    EXPECT_EQ(U8(state.menuTexts[0]), "T0");
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
    settings.LightenPhotos = settings.RenderShadows = settings.ShinyPaper = settings.ShinyPhotos = true;
    settings.RenderTransparentPage = false;
    settings.Quality = 2;
    settings.Sort = 1;
    EXPECT_EQ(checkedSet(settings), (std::set<int>{kCmdLightenPhotos, kCmdRenderShadows, kCmdShinyPaper,
                                                   kCmdShinyPhotos, kCmdHighQuality, kCmdSortByDate}));
    // A value no item stands for (a hand-edited file) checks none of the group.
    settings.Quality = 3;
    settings.Sort = -1;
    EXPECT_EQ(checkedSet(settings),
              (std::set<int>{kCmdLightenPhotos, kCmdRenderShadows, kCmdShinyPaper, kCmdShinyPhotos}));
}

TEST(FMenuModel, RecentFolderTexts)
{
    // Names with ':' and backslashes are in PlainFileNamesTest; here the short and empty ones.
    FSettings settings = DefaultSettings();
    settings.RecentPath[0] = FString(u"D:photo.png");
    settings.RecentPath[9] = FString(u"/top.jpg"); // the root's folder text is empty
    const FMenuState state = BuildMenuState(FLocale(), settings);
    EXPECT_EQ(U8(state.Find(kCmdRecentFolderFirst)->text), "D:photo.png"); // no folder part: shown whole
    EXPECT_EQ(U8(state.Find(kCmdRecentFolderFirst + 1)->text), " ");
    EXPECT_EQ(U8(state.Find(kCmdRecentFolderLast)->text), " ");
}

} // namespace
