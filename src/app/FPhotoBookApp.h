#pragma once
// The one application record: everything the running book knows. The host's
// callbacks forward to it; it owns the settings store, the locale, the camera
// and the page objects.

#include "app/FAppHost.h"
#include "app/FCamera.h"
#include "base/FLocale.h"
#include "base/FSettings.h"
#include "render/BookGeometry.h"
#include "render/FMatrix.h"
#include "render/FPage.h"
#include "render/FVector3.h"
#include "photos/FTexture.h"
#include "ui/FMessage.h"

#include <array>
#include <cstdint>
#include <memory>

inline constexpr int kMaxPhotos = 1024;
inline constexpr int kPageCount = 5;
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

class FPhotoBookApp
{
public:
    FPhotoBookApp();
    ~FPhotoBookApp();
    FPhotoBookApp(const FPhotoBookApp&) = delete;
    FPhotoBookApp& operator=(const FPhotoBookApp&) = delete;

    // Creates the settings store and reads the settings file, puts the camera on
    // preset 0, loads the locale and creates the pages. now = the millisecond clock.
    bool Init(const FSettingsEnvironment& environment, uint32_t now);
    // On close: stores the window's outer rectangle and writes the settings file.
    // False (with the reason) when the settings could not be written.
    bool Shutdown(const FRect& outerWindowRect, FString* errorText = nullptr);
    bool IsInitialised() const { return settings != nullptr; }

    // Navigation. now = the millisecond clock.
    void FrameMove(uint32_t now);
    void FinishTurn();
    void NextPage(uint32_t now);
    void PreviousPage(uint32_t now);
    void GoToFirstPage(uint32_t now);
    void GoToLastPage();
    int32_t LastPageIndex() const;

    // Photo textures around the open spread: at most one successful decode per
    // call unless loadAll.
    void StreamPhotoTextures(bool loadAll);
    bool ArePhotoTexturesPending() const;
    // Photo index shown by slot 0..11 for the current pageIndex.
    int32_t SlotPhotoIndex(int slot) const { return 2 * pageIndex - 6 + slot; }

    // The window message routine: true when the host must not handle the message
    // any further.
    bool MsgProc(const FMessage& message, uint32_t now);
    // What lies under client point (x, y), in a fixed order of candidates.
    FPickHit Pick(float x, float y) const;

    // Builds the photo list from the folder of path (empty: ask the user).
    // False when no folder was chosen or it could not be listed.
    bool ScanFolder(const FString& path, bool sortByDate, uint32_t now);

    // Services of the desktop and the device; set by the shell, null in plain tests.
    FAppHost* host = nullptr;
    FTextureLoader* textureLoader = nullptr;

    int32_t exporting = 0;
    std::unique_ptr<FCamera> camera;
    FVector3 lightPosition{-200, 200, 50};
    std::array<std::unique_ptr<FPage>, kPageCount> pages;
    // CPU meshes of the cover boards and the background plane; the renderer
    // uploads them, picking reads them.
    std::array<std::optional<FGridMesh>, 2> coverMeshes;
    std::optional<FGridMesh> backgroundMesh;
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
    uint32_t framesRendered = 0;
    FMatrix worldMatrix;
    FMatrix viewMatrix;
    FMatrix projectionMatrix;
    float aspectFactor = 1.0f;
    bool wireframe = false;

    // Process-wide, created by Init and released by Shutdown.
    std::unique_ptr<FSettings> settings;
    std::unique_ptr<FLocale> locale;
};
