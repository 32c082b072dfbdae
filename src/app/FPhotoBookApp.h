#pragma once
// The one application record: everything the running book knows, and the
// operations that change it. The host's callbacks forward to it; it owns the
// settings store, the locale and the camera. Each frame it describes itself as
// a plain FFrame, which the renderer draws and picking reads.

#include "app/FAppHost.h"
#include "app/FCamera.h"
#include "app/Lights.h"
#include "base/FLocale.h"
#include "base/FSettings.h"
#include "photos/FPhotoStream.h"
#include "photos/FTexture.h"
#include "render/BookGeometry.h"
#include "render/FFrame.h"
#include "render/FVector3.h"

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>

inline constexpr int kMaxPhotos = 1024;
inline constexpr int kPhotoSlotCount = 12;

// What a click hit: a photo index >= 0 or one of the negative kinds.
enum FPickResult : int32_t
{
    kPickLeftPage = -1,
    kPickRightPage = -2,
    kPickCover = -3,
    kPickBackground = -4,
    kPickTurningPage = -10,
};

struct FPickHit
{
    bool hit = false;
    int32_t result = 0;
    uint32_t preset = 0; // the photo preset 4..7 that looks at a hit photo, else 0
};

// The photo commands on the selected photo.
enum class FPhotoEdit
{
    RotateClockwise,
    RotateCounterClockwise,
    FlipHorizontal,
    FlipVertical,
};

// The surfaces whose colour or texture the user chooses.
enum class FSurface
{
    Background,
    Cover,
    Paper,
    TransparentPaper,
};

class FPhotoBookApp
{
public:
    FPhotoBookApp();
    ~FPhotoBookApp();
    FPhotoBookApp(const FPhotoBookApp&) = delete;
    FPhotoBookApp& operator=(const FPhotoBookApp&) = delete;

    // Creates the settings store and reads the settings file, puts the camera on
    // preset 0 and loads the locale. now = the millisecond clock.
    bool Init(const FSettingsEnvironment& environment, uint32_t now);
    // On close: stores the window's outer rectangle and writes the settings file.
    // False (with the reason) when the settings could not be written. Everything
    // stays alive, so the caller can say so before releasing.
    bool SaveSettings(const FRect& outerWindowRect, FString* errorText = nullptr);
    // Lets go of the settings, the locale and the camera; nothing runs on them after.
    void Release();
    // SaveSettings, then Release.
    bool Shutdown(const FRect& outerWindowRect, FString* errorText = nullptr);
    bool IsInitialised() const { return settings != nullptr; }

    // Navigation. now = the millisecond clock.
    void FrameMove(uint32_t now);
    // A frame of a slideshow: the script has put the pages and the camera where
    // they are, so only the clock and the photo streaming go on.
    void ScriptedFrameMove(uint32_t now);
    void FinishTurn();
    void NextPage(uint32_t now);
    void PreviousPage(uint32_t now);
    void GoToFirstPage(uint32_t now);
    void GoToLastPage();
    int32_t LastPageIndex() const;

    // The export's own control of the turns (a movie is not driven by the clock).
    // A page turn starts from a rest with the sheet on the left; a sheet turn from
    // the sheet on the right; a rest puts the sheet on either side.
    void StartExportPageTurn(uint32_t now);
    void StartExportSheetTurn();
    void RestForExport(bool sheetOnLeft);
    void SetExportTurnPosition(float position) { turnPosition = position; }
    void SetExportSheetPosition(float position) { transparentPosition = position; }
    // The turn's last frame is done: the next spread is open. A movie loads all its
    // photos now; a slideshow leaves them to the streaming, which has them ahead.
    void EndExportPageTurn(bool loadPhotos = true);

    // Photo textures around the open spread: at most one upload per call unless
    // loadAll, which waits for every decode. With a loader that decodes apart, the
    // decodes run on worker threads and a resting book also decodes the spreads
    // beyond the window ahead of time.
    void StreamPhotoTextures(bool loadAll);
    // Of slots firstSlot .. endSlot - 1 only: 4 .. 7 are on show at rest, 8 .. 11
    // the ones a forward turn shows next.
    bool ArePhotoTexturesPending(int firstSlot = 0, int endSlot = kPhotoSlotCount) const;
    // The picture goes on changing without input: a page or the sheet turns, the
    // camera moves, or the last streaming pass got a photo further (more may be
    // ready). A decode that ends on a worker says so through onPhotoDecoded.
    bool WantsFrames() const;
    // Photo index shown by slot 0..11 for the current pageIndex.
    int32_t SlotPhotoIndex(int slot) const { return 2 * pageIndex - 6 + slot; }
    // The same for the spread a page turn ends on: the slots move when it starts.
    int32_t WindowPhotoIndex(int slot) const
    {
        return SlotPhotoIndex(slot) + (turnState > 0 ? 4 : turnState < 0 ? -4 : 0);
    }

    // The device came (or changed size): the decoration textures load again. It
    // went: every texture record lets go of its device texture.
    void ReloadDecorations();
    void ReleaseDeviceTextures();

    // What this frame shows for a client area of this size, from the state as it
    // is. Pure: picking and the tests call it as often as they like.
    FFrame DescribeFrame(int clientWidth, int clientHeight) const;
    // The frame to draw now: the camera's transition and the clocks move on, the
    // transparent sheet settles where a turn puts it, and the frame is counted.
    FFrame BeginFrame(int clientWidth, int clientHeight, uint32_t now);
    // What lies under client point (x, y) of the current frame, in a fixed order of
    // candidates.
    FPickHit Pick(float x, float y) const;

    // Builds the photo list from the folder of path (empty: ask the user).
    // False when no folder was chosen or it could not be listed.
    bool ScanFolder(const FString& path, bool sortByDate, uint32_t now);
    // A path handed over (command line, a drop, a file manager's "Open With"): a
    // photo opens its folder at the spread that shows it, a folder at its first
    // spread, and the recent folders follow. Empty on success; otherwise what the
    // user is told, and the book stays as it was.
    FString OpenPath(const FString& path, uint32_t now);
    void OpenRecentFolder(int index, uint32_t now);
    void SortBy(bool byDate, uint32_t now);

    // Commands of the menus, keys and clicks.
    void SetCameraPreset(uint32_t preset, uint32_t now);
    // A photo view (presets 4..7): the transparent sheet turns out of its way.
    void ShowPhotoView(uint32_t preset, uint32_t now);
    // A click on a photo: zooms onto it, or back out when it is the selected one.
    void ClickPhoto(int32_t photo, uint32_t preset, uint32_t now);
    void SetLight(FLight light) { lightPosition = LightPosition(light); }
    // The commands on the selected photo; without one the user is told to pick one.
    void EditSelectedPhoto(FPhotoEdit edit);
    void CopySelectedPhoto();
    void DeleteSelectedPhoto();
    void ChooseColour(FSurface surface);
    void ChooseTexture(FSurface surface);
    // Flips one of the settings' on/off options and refreshes the menus' checks.
    void ToggleOption(bool FSettings::*option);
    void SetQuality(int quality);
    void ResetAllSettings(uint32_t now);
    void ChooseLanguage();
    void OpenUserGuide();
    // The effect the device compiled for path, or none (empty) after an error.
    void SetEffectPath(const FString& path);
    bool HasSelectedPhoto() const { return selectedPhoto >= 0 && selectedPhoto < photoCount; }

    // Services of the desktop and the device; set by the shell, null in plain tests.
    FAppHost* host = nullptr;
    FTextureLoader* textureLoader = nullptr;
    // Called on a worker thread whenever a decode ends: a resting host draws again.
    // Set before the first streaming pass; it must not outlive photoStream.
    std::function<void()> onPhotoDecoded;

    int32_t exporting = 0;
    std::unique_ptr<FCamera> camera;
    FVector3 lightPosition = LightPosition(kStartLight);
    FTexture coverTexture;
    std::array<FTexture, kPhotoSlotCount> photoTextures;
    FTexture backgroundTexture;
    FTexture paperTexture;
    FTexture transparentPaperTexture;
    FString effectPath;
    float effectTime = 0;
    int32_t pageIndex = 0;
    uint32_t lastFrameTime = 0;
    int32_t turnState = 0;
    float turnPosition = 0;
    int32_t transparentTurnState = 0;
    float transparentPosition = 0;
    int32_t photoCount = 0;
    std::array<FString, kMaxPhotos> photoPaths;
    std::array<int32_t, kMaxPhotos> photoRotation{};
    std::array<int32_t, kMaxPhotos> photoDateKey{};
    int32_t selectedPhoto = -1;
    // Photos of the folder that could not be read, by index, with the reason.
    std::map<int32_t, FString> unreadablePhotos;
    // Photos that failed, as they were on disk and at the quality tried: not tried
    // again until one of those changes, the folder is opened again or the device
    // is reset; a file that could not be read for now is tried again from retryAt.
    struct FPhotoFailure
    {
        FString reason;
        bool mayPass = false;
        int tries = 1;
        uint32_t retryAt = 0; // milliseconds, on the frame clock
    };
    std::map<FPhotoKey, FPhotoFailure> photoFailures;
    // The worker threads, made on the first pass with a loader that decodes apart.
    std::unique_ptr<FPhotoStream> photoStream;
    uint32_t framesRendered = 0;
    float aspectFactor = 1.0f;
    bool wireframe = false;

    // Process-wide, created by Init and released by Shutdown.
    std::unique_ptr<FSettings> settings;
    std::unique_ptr<FLocale> locale;

private:
    // The streaming part of a frame move, after the pages have moved.
    void StreamForFrame();
    void StreamOnThisThread(bool loadAll);
    // Marks a slot failed; says why on stderr the first time for that file.
    void NotePhotoFailure(FTexture& record, const FPhotoKey& key, const FString& reason, bool mayPass = false);
    // The slot now shows the file as key found it: its failures are forgotten.
    void NotePhotoShown(int slot, const FPhotoKey& key);
    // Whether the slot's photo is still known to fail; false when its time to try
    // again has come.
    bool StillFails(FTexture& record, const FPhotoKey& key);
    // Slots showing their own file for which stale(its key, the record) holds are
    // loaded again; the old picture stands in meanwhile.
    void ReloadStaleSlots(const std::function<bool(const FPhotoKey&, const FTexture&)>& stale);
    // Once a second: slots whose files changed on disk are loaded again.
    void FollowSlotFiles();
    // Slots whose full-size textures were made for a smaller window than keyQuality's
    // are loaded again; the old picture stands in meanwhile.
    void FollowSlotSizes(int keyQuality);
    // Cancels decodes that a new photo list or quality no longer wants.
    void RestartPhotoStream();
    // Whether photos decode on worker threads (the pool is made on first asking).
    bool DecodesApart();
    // The slot (4..7) of the photo a resting camera looks at, or -1.
    int LookedAtSlot() const;
    // The photo looked at goes back to the texture of its quality.
    void LetCloseUpGo();

    FTextureLoader* streamLoader_ = nullptr; // the loader photoStream decodes for
    // The photo whose upload is spread over frames, and the key it was decoded for.
    std::unique_ptr<FTextureUpload> upload_;
    FPhotoKey uploadKey_;
    int32_t uploadWidth_ = 0;
    int32_t uploadHeight_ = 0;
    // The last streaming pass uploaded, or failed, a photo.
    bool streamProgress_ = false;
    // Quick first pictures asked for already, each once until the folder changes.
    std::set<FPhotoKey> previewsTried_;
    // The photo shown larger while the camera looks at it, and its own texture.
    int32_t closeUpPhoto_ = -1;
    std::shared_ptr<FGpuTexture> closeUpNormal_;
    // The window's longer side at the last frame: what a close-up needs.
    int clientLongSide_ = 0;
    // The file state each slot's texture was made from, checked once a second.
    std::array<FPhotoKey, kPhotoSlotCount> shownKeys_;
    uint32_t filesCheckedAt_ = 0;
    FTexture& SurfaceTexture(FSurface surface);
    FString& SurfaceTexturePath(FSurface surface);
    void ShowPickPhotoHint();
};
