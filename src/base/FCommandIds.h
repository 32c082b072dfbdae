#pragma once
// Command ids of the main menu, the popup menus and the accelerator. The main menu and
// a popup menu send the same id for the same action, so MsgProc has one case for both.

inline constexpr int kCmdToggleFullScreen = 40003; // Alt+Enter only, no menu item
inline constexpr int kCmdExit = 40006;
inline constexpr int kCmdSelectFolder = 40012;
inline constexpr int kCmdAbout = 40024;

// Recent folders 1 ... 10 are kCmdRecentFolderFirst + 0 ... 9.
inline constexpr int kCmdRecentFolderFirst = 40051;
inline constexpr int kCmdRecentFolderLast = 40060;

// Camera presets 0 ... 7 are kCmdViewFront + 0 ... 7.
inline constexpr int kCmdViewFront = 40067;
inline constexpr int kCmdViewTop = 40068;
inline constexpr int kCmdViewLeft = 40069;
inline constexpr int kCmdViewRight = 40070;
inline constexpr int kCmdViewPhotoTopLeft = 40071;
inline constexpr int kCmdViewPhotoBottomLeft = 40072;
inline constexpr int kCmdViewPhotoTopRight = 40073;
inline constexpr int kCmdViewPhotoBottomRight = 40074;

// Light presets 1 ... 4 are kCmdLightLeft + 0 ... 3.
inline constexpr int kCmdLightLeft = 40077;
inline constexpr int kCmdLightRight = 40078;
inline constexpr int kCmdLightTop = 40079;
inline constexpr int kCmdLightFront = 40080;

inline constexpr int kCmdFlipHorizontal = 40083;
inline constexpr int kCmdFlipVertical = 40084;

// Quality 0 ... 2 is kCmdLowQuality + 0 ... 2.
inline constexpr int kCmdLowQuality = 40085;
inline constexpr int kCmdNormalQuality = 40086;
inline constexpr int kCmdHighQuality = 40087;

inline constexpr int kCmdNextPage = 40088;
inline constexpr int kCmdPreviousPage = 40089;
inline constexpr int kCmdGoToFirstPage = 40090;
inline constexpr int kCmdGoToLastPage = 40091;

inline constexpr int kCmdLightenPhotos = 40099;
inline constexpr int kCmdResetAllSettings = 40100;
inline constexpr int kCmdUserGuide = 40102;
inline constexpr int kCmdSetLanguage = 40103;
inline constexpr int kCmdChangeEffect = 40104;
inline constexpr int kCmdExportMovie = 40105;
inline constexpr int kCmdSetPaperTexture = 40106;
inline constexpr int kCmdSetTransparentPaperTexture = 40107;
inline constexpr int kCmdSetBackgroundColour = 40108;
inline constexpr int kCmdSetBackgroundTexture = 40109;
inline constexpr int kCmdSetPaperColour = 40110;
inline constexpr int kCmdShinyPhotos = 40111;
inline constexpr int kCmdShinyPaper = 40112;
inline constexpr int kCmdRenderShadows = 40113;
inline constexpr int kCmdSetCoverColour = 40115;
inline constexpr int kCmdSetCoverTexture = 40116;
inline constexpr int kCmdRotateClockwise = 40117;
inline constexpr int kCmdRotateCounterClockwise = 40118;
inline constexpr int kCmdCopyPhoto = 40119;
inline constexpr int kCmdDeletePhoto = 40120;
inline constexpr int kCmdSetAnimationSpeed = 40121;
inline constexpr int kCmdRenderTransparentPage = 40122;
inline constexpr int kCmdSortByName = 40125;
inline constexpr int kCmdSortByDate = 40126;
inline constexpr int kCmdSlideshow = 40127;
