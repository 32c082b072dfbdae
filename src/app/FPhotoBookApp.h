#pragma once
// The one application record: everything the running book knows. The host's
// callbacks forward to it; it owns the settings store, the locale, the camera
// and the page objects.

#include "app/FCamera.h"
#include "base/FLocale.h"
#include "base/FSettings.h"
#include "render/BookGeometry.h"
#include "render/FMatrix.h"
#include "render/FPage.h"
#include "render/FVector3.h"

#include <array>
#include <cstdint>
#include <memory>

inline constexpr int kMaxPhotos = 1024;
inline constexpr int kPageCount = 5;

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

    int32_t exporting = 0;
    std::unique_ptr<FCamera> camera;
    FVector3 lightPosition{-200, 200, 50};
    std::array<std::unique_ptr<FPage>, kPageCount> pages;
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
