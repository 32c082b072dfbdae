#include "app/FPhotoBookApp.h"

FPhotoBookApp::FPhotoBookApp() = default;
FPhotoBookApp::~FPhotoBookApp() = default;

bool FPhotoBookApp::Init(const FSettingsEnvironment& environment, uint32_t now)
{
    settings = std::make_unique<FSettings>(environment);
    settings->SettingsLoad();

    camera = std::make_unique<FCamera>(settings->cameraPresets);
    camera->SetPreset(0, true, now);

    locale = std::make_unique<FLocale>();
    locale->LocaleLoad(settings->Locale);

    lightPosition = {-200, 200, 50};

    // Left page, the turning sheet's right and left faces, right page, transparent page.
    static constexpr bool kFlags[kPageCount][2] = {{false, false}, {true, false}, {false, false},
                                                   {true, false}, {true, true}};
    for (int i = 0; i < kPageCount; ++i)
        pages[static_cast<size_t>(i)] = std::make_unique<FPage>(kFlags[i][0], kFlags[i][1]);

    backgroundTexture.Path = settings->BGTexturePath;
    coverTexture.Path = settings->CoverTexturePath;
    paperTexture.Path = settings->PaperTexturePath;
    transparentPaperTexture.Path = settings->TPaperTexturePath;
    turnPosition = 0;
    framesRendered = 0;
    photoCount = 0;
    pageIndex = 0;
    turnState = 0;
    transparentTurnState = 0;
    transparentPosition = TurnEnd;
    effectPath = settings->EffectPath;
    return true;
}

bool FPhotoBookApp::Shutdown(const FRect& outerWindowRect, FString* errorText)
{
    for (auto& page : pages)
        page.reset();
    locale.reset();
    if (!settings)
        return true;
    settings->Window = outerWindowRect;
    const bool saved = settings->SettingsSave(errorText) != FSaveResult::Failed;
    camera.reset(); // it writes into the settings' presets
    settings.reset();
    return saved;
}
