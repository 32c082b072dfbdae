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

    lightPosition = LightPosition(kStartLight);
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

bool FPhotoBookApp::SaveSettings(const FRect& outerWindowRect, FString* errorText)
{
    if (!settings)
        return true;
    settings->Window = outerWindowRect;
    return settings->SettingsSave(errorText) != FSaveResult::Failed;
}

void FPhotoBookApp::Release()
{
    // The workers stop first: nothing may tell a host that is going of a decode.
    upload_.reset();
    photoStream.reset();
    locale.reset();
    camera.reset(); // it writes into the settings' presets
    settings.reset();
}

bool FPhotoBookApp::Shutdown(const FRect& outerWindowRect, FString* errorText)
{
    const bool saved = SaveSettings(outerWindowRect, errorText);
    Release();
    return saved;
}

void FPhotoBookApp::ReloadDecorations()
{
    if (!settings)
        return;
    for (FTexture* record : {&backgroundTexture, &coverTexture, &paperTexture, &transparentPaperTexture}) {
        record->ReleaseTexture();
        if (textureLoader)
            record->Reload(*textureLoader, settings->Quality);
    }
}

void FPhotoBookApp::ReleaseDeviceTextures()
{
    for (FTexture& slot : photoTextures) {
        slot.ReleaseTexture();
        slot.Failed = false;
    }
    // A new device may take what the old one refused; a half-made texture goes
    // with the old one.
    photoFailures.clear();
    RestartPhotoStream();
    for (FTexture* record : {&backgroundTexture, &coverTexture, &paperTexture, &transparentPaperTexture})
        record->ReleaseTexture();
}

void FPhotoBookApp::SetEffectPath(const FString& path)
{
    effectPath = path;
    if (settings)
        settings->EffectPath = path;
}
