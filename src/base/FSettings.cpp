#include "base/FSettings.h"

#include "base/FFile.h"
#include "base/FFileReplacement.h"
#include "base/FTokenFile.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <variant>

namespace {

// One line of the settings file: its key and the field it holds. The table's
// order is the order the file is written in.
using FieldPointer = std::variant<FRect FSettings::*, FColour FSettings::*, FString FSettings::*, bool FSettings::*,
                                  int32_t FSettings::*, float FSettings::*>;

struct FieldLine
{
    const char16_t* key;
    FieldPointer field;
};

const FieldLine kFieldLines[] = {
    {u"Window", &FSettings::Window},
    {u"BGColour", &FSettings::BGColour},
    {u"BGTexturePath", &FSettings::BGTexturePath},
    {u"CoverColour", &FSettings::CoverColour},
    {u"CoverTexturePath", &FSettings::CoverTexturePath},
    {u"PaperTexturePath", &FSettings::PaperTexturePath},
    {u"TPaperTexturePath", &FSettings::TPaperTexturePath},
    {u"LightenPhotos", &FSettings::LightenPhotos},
    {u"RenderShadows", &FSettings::RenderShadows},
    {u"RenderTransparentPage", &FSettings::RenderTransparentPage},
    {u"PaperColour", &FSettings::PaperColour},
    {u"ShinyPaper", &FSettings::ShinyPaper},
    {u"ShinyPhotos", &FSettings::ShinyPhotos},
    {u"Quality", &FSettings::Quality},
    {u"Locale", &FSettings::Locale},
    {u"EffectPath", &FSettings::EffectPath},
    {u"ExportWidth", &FSettings::ExportWidth},
    {u"ExportHeight", &FSettings::ExportHeight},
    {u"ExportPAR", &FSettings::ExportPAR},
    {u"ExportFPS", &FSettings::ExportFPS},
    {u"ExportMoviePath", &FSettings::ExportMoviePath},
    {u"ExportType", &FSettings::ExportType},
    {u"EncoderName", &FSettings::EncoderName},
    {u"ExportQuality", &FSettings::ExportQuality},
    {u"TimePage", &FSettings::TimePage},
    {u"TimeZoom", &FSettings::TimeZoom},
    {u"TimeView", &FSettings::TimeView},
    {u"Sort", &FSettings::Sort},
};

const char16_t* const kRecentKeys[kRecentPathCount] = {
    u"RecentPath0", u"RecentPath1", u"RecentPath2", u"RecentPath3", u"RecentPath4",
    u"RecentPath5", u"RecentPath6", u"RecentPath7", u"RecentPath8", u"RecentPath9",
};

// One line per music file, in playing order. Programs that know no such key skip
// its lines, as they skip every key they do not know.
const char16_t* const kMusicKey = u"ExportMusic";

void ReadField(FSettings& s, const FieldPointer& field, const FTokenFile& file)
{
    std::visit(
        [&](auto member) {
            using T = std::remove_reference_t<decltype(s.*member)>;
            T& value = s.*member;
            if constexpr (std::is_same_v<T, FRect>)
                value = {file.GetInt(1), file.GetInt(2), file.GetInt(3), file.GetInt(4)};
            else if constexpr (std::is_same_v<T, FColour>)
                value = {file.GetFloat(1), file.GetFloat(2), file.GetFloat(3)};
            else if constexpr (std::is_same_v<T, FString>)
                value = file.GetExactToken(1);
            else if constexpr (std::is_same_v<T, bool>)
                value = file.GetBool(1);
            else if constexpr (std::is_same_v<T, int32_t>)
                value = file.GetInt(1);
            else
                value = file.GetFloat(1);
        },
        field);
}

void WriteField(const FSettings& s, const FieldPointer& field, FTokenFile& file)
{
    std::visit(
        [&](auto member) {
            using T = std::remove_cv_t<std::remove_reference_t<decltype(s.*member)>>;
            const T& value = s.*member;
            if constexpr (std::is_same_v<T, FRect>) {
                file.AddInt(value.left);
                file.AddInt(value.top);
                file.AddInt(value.right);
                file.AddInt(value.bottom);
            } else if constexpr (std::is_same_v<T, FColour>) {
                file.AddVector3(value.red, value.green, value.blue);
            } else if constexpr (std::is_same_v<T, FString>) {
                file.AddExactString(value);
            } else if constexpr (std::is_same_v<T, bool>) {
                file.AddBool(value);
            } else if constexpr (std::is_same_v<T, int32_t>) {
                file.AddInt(value);
            } else {
                file.AddFloat(value);
            }
        },
        field);
}

} // namespace

const FCameraPresets& DefaultCameraPresets()
{
    static const FCameraPresets presets = {{
        {0.0f, 110.0f, 10.0f, 0.0f, 1.2f, 0.0f, 1.18f},
        {0.0f, 128.0f, 54.6875f, 0.0f, 1.570796f, 0.0f, 1.1f},
        {-21.5607f, 100.0f, 3.16909f, 0.14f, 1.21f, 0.0f, 1.1f},
        {21.5607f, 100.0f, 3.16909f, -0.14f, 1.21f, 0.0f, 1.1f},
        {-48.0f, 170.0f, 80.42279f, 0.0f, 1.570796f, 0.0f, 0.3f},
        {-48.0f, 170.0f, 28.952206f, 0.0f, 1.570796f, 0.0f, 0.3f},
        {48.0f, 170.0f, 80.42279f, 0.0f, 1.570796f, 0.0f, 0.3f},
        {48.0f, 170.0f, 28.952206f, 0.0f, 1.570796f, 0.0f, 0.3f},
        {-109.997f, 80.0f, 54.6875f, 1.570796f, 0.87f, 0.0f, 1.1f},
        {109.997f, 80.0f, 54.6875f, -1.570796f, 0.87f, 0.0f, 1.1f},
    }};
    return presets;
}

FSettingsEnvironment FSettingsEnvironment::ForRunningProgram(int32_t screenWidth, int32_t screenHeight)
{
    FSettingsEnvironment environment{GetModuleDirectory(), screenWidth, screenHeight};
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    std::string config;
    if (xdg && *xdg == '/')
        config = xdg;
    else if (home && *home)
        config = std::string(home) + "/.config";
    if (!config.empty())
        environment.userConfigDirectory = FString::FromUtf8(config + "/QuilloPhotoBook");
    return environment;
}

namespace {

// The file a path names once symbolic links in its last part are followed: a
// save replaces that file, beside it, and leaves the link. A loop, or a chain
// longer than the system follows, ends at the link it stopped at.
FString FileBehindLinks(const FString& path)
{
    std::string file = path.ToUtf8();
    for (int hop = 0; hop < 40; ++hop) {
        char target[PATH_MAX];
        const ssize_t n = ::readlink(file.c_str(), target, sizeof target);
        if (n <= 0 || n == static_cast<ssize_t>(sizeof target))
            break;
        std::string next(target, static_cast<size_t>(n));
        if (next[0] != '/')
            next = FString::FromUtf8(file).DirectoryPart().ToUtf8() + "/" + next;
        file = std::move(next);
    }
    return FString::FromUtf8(file);
}

// A save goes through a temporary file renamed over the old one, so the folder
// must take new files; a writable file alone in a read-only folder is not enough.
bool CanWriteAt(const FString& link)
{
    const FString path = FileBehindLinks(link);
    if (ReplaceRefusal(path) != 0)
        return false;
    const std::string folder = path.DirectoryPart().ToUtf8();
    return ::access(folder.empty() ? "/" : folder.c_str(), W_OK) == 0;
}

const char16_t kSettingsFileName[] = u"/QuilloPhotoBook.ini";

bool MakeDirectories(const std::string& path)
{
    if (path.empty())
        return true;
    std::string partial;
    size_t at = 0;
    while (at != std::string::npos) {
        at = path.find('/', at + 1);
        partial = path.substr(0, at);
        if (!partial.empty() && ::mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

} // namespace

FSettings::FSettings(const FSettingsEnvironment& environment) : environment_(environment)
{
    SettingsReset();
    RecentPath[0] = environment_.programDirectory.Concat(FString(u"/media/photos/quillo1.jpg"));
}

void FSettings::SettingsReset()
{
    const FString& dir = environment_.programDirectory;
    // Centred as the platform rounds: signed division toward zero.
    const int32_t left = (environment_.screenWidth - 800) / 2;
    const int32_t top = (environment_.screenHeight - 600) / 2;
    Window = {left, top, left + 800, top + 600};
    BGColour = {0.4f, 0.4f, 0.4f};
    BGTexturePath = dir.Concat(FString(u"/media/textures/Background.jpg"));
    CoverColour = {0.6f, 0.6f, 0.6f};
    CoverTexturePath = FString();
    PaperTexturePath = FString();
    TPaperTexturePath = dir.Concat(FString(u"/media/textures/TransparentPaper.jpg"));
    LightenPhotos = false;
    RenderShadows = false;
    RenderTransparentPage = true;
    PaperColour = {0.8f, 0.8f, 0.8f};
    ShinyPaper = false;
    ShinyPhotos = false;
    Quality = 1;
    Locale = dir.Concat(FString(u"/media/Locales/English.txt"));
    EffectPath = FString();
    ExportWidth = 640;
    ExportHeight = 480;
    ExportPAR = 1.0f;
    ExportFPS = 25.0f;
    ExportMoviePath = FString(u"d:\\Temp\\QuilloPhotoBook.avi");
    ExportType = 0;
    EncoderName = FString();
    ExportQuality = kDefaultExportQuality;
    TimePage = 3;
    TimeZoom = 3;
    TimeView = 3;
    Sort = 0;
    cameraPresets = DefaultCameraPresets();
}

FString FSettings::SettingsFilePath() const
{
    const FString beside = environment_.programDirectory.Concat(FString(kSettingsFileName));
    if (environment_.userConfigDirectory.IsEmpty())
        return beside;
    const auto& canWrite =
        environment_.canWrite ? environment_.canWrite : std::function<bool(const FString&)>(CanWriteAt);
    if (canWrite(beside))
        return beside;
    return environment_.userConfigDirectory.Concat(FString(kSettingsFileName));
}

void FSettings::SettingsLoad()
{
    unreadFile_ = FString();
    FString path = SettingsFilePath();
    // A program installed read-only may still ship settings beside it: they are
    // read until the user's own copy exists.
    const FString beside = environment_.programDirectory.Concat(FString(kSettingsFileName));
    if (!FileExists(path) && !path.Equals(beside))
        path = beside;
    if (!FileExists(path))
        return;
    FTokenFile file(path, false);
    // The list is the file's lines in order: a file without them has no music.
    ExportMusic.clear();
    while (file.ReadLine()) {
        const FString key = file.GetToken(0);
        bool known = false;
        for (const FieldLine& line : kFieldLines) {
            if (key.Equals(FString(line.key))) {
                ReadField(*this, line.field, file);
                known = true;
                break;
            }
        }
        if (known)
            continue;
        for (int i = 0; i < kRecentPathCount; ++i) {
            if (key.Equals(FString(kRecentKeys[i]))) {
                RecentPath[static_cast<size_t>(i)] = file.GetExactToken(1);
                known = true;
                break;
            }
        }
        if (known)
            continue;
        if (key.Equals(FString(kMusicKey))) {
            if (FString music = file.GetExactToken(1); !music.IsEmpty())
                ExportMusic.push_back(std::move(music));
        } else if (key.Equals(FString(u"Rotation"))) {
            SetRotation(file.GetExactToken(1), file.GetInt(2));
        } else if (key.Equals(FString(u"CameraPreset"))) {
            const uint32_t n = static_cast<uint32_t>(file.GetInt(1));
            if (n < kCameraPresetCount) {
                FCameraPose& pose = cameraPresets[n];
                for (int k = 0; k < FCameraPose::kValueCount; ++k)
                    pose[k] = file.GetFloat(2 + k);
            }
        }
    }
    ReplaceValuesWithoutMeaning();
    if (const int error = file.LastError()) {
        if (path.Equals(SettingsFilePath()))
            unreadFile_ = path.Concat(FString(u": ")).Concat(ErrorText(error));
        return;
    }
    Loaded = true;
}

void FSettings::ReplaceValuesWithoutMeaning()
{
    const FSettings defaults(environment_);
    auto channel = [](float v) { return std::isfinite(v) && v >= 0.0f && v <= 1.0f; };
    for (FColour FSettings::*colour : {&FSettings::BGColour, &FSettings::CoverColour, &FSettings::PaperColour}) {
        const FColour& c = this->*colour;
        if (!channel(c.red) || !channel(c.green) || !channel(c.blue))
            this->*colour = defaults.*colour;
    }
    if (Quality < 0 || Quality > 2)
        Quality = defaults.Quality;
    if (ExportWidth <= 0)
        ExportWidth = defaults.ExportWidth;
    if (ExportHeight <= 0)
        ExportHeight = defaults.ExportHeight;
    for (float FSettings::*ratio : {&FSettings::ExportPAR, &FSettings::ExportFPS})
        if (!std::isfinite(this->*ratio) || !(this->*ratio > 0.0f))
            this->*ratio = defaults.*ratio;
    for (size_t n = 0; n < cameraPresets.size(); ++n)
        for (int k = 0; k < FCameraPose::kValueCount; ++k)
            if (!std::isfinite(cameraPresets[n][k]))
                cameraPresets[n] = defaults.cameraPresets[n];
}

FSaveResult FSettings::SettingsSave(FString* errorText) const
{
    const FString path = FileBehindLinks(SettingsFilePath());
    if (FileExists(path) && !Loaded)
        return FSaveResult::SkippedUnread;

    auto fail = [&](const FString& what, int error) {
        if (errorText)
            *errorText = what.Concat(FString(u": ")).Concat(ErrorText(error));
        return FSaveResult::Failed;
    };

    const FString folder = path.DirectoryPart();
    // The user's configuration folder may not exist yet; the program's always does.
    if (folder.Equals(environment_.userConfigDirectory) && !MakeDirectories(folder.ToUtf8()))
        return fail(folder, errno);
    // Each instance writes a temporary of its own, so two closing at once never mix.
    FFileReplacement replacement(path);
    const FString temporary = replacement.Path();
    if (!replacement.ok())
        return fail(path, replacement.LastError());
    {
        FTokenFile file(temporary, true);
        if (!file.opened())
            return fail(temporary, file.LastError());
        for (const FieldLine& line : kFieldLines) {
            file.AddString(FString(line.key));
            WriteField(*this, line.field, file);
            file.EndLine();
        }
        for (int i = 0; i < kRecentPathCount; ++i) {
            file.AddString(FString(kRecentKeys[i]));
            file.AddExactString(RecentPath[static_cast<size_t>(i)]);
            file.EndLine();
        }
        for (const FString& music : ExportMusic) {
            // Never stored cut short (the dialog takes no such path); nor as an empty line.
            if (music.IsEmpty() || !FTokenFile::StoresExactly(music))
                continue;
            file.AddString(FString(kMusicKey));
            file.AddExactString(music);
            file.EndLine();
        }
        for (const FRotationEntry& entry : rotations) {
            // A path too long for a token is forgotten rather than stored cut short.
            if (entry.code == 0 || entry.path.IsEmpty() || !FTokenFile::StoresExactly(entry.path))
                continue;
            file.AddString(FString(u"Rotation"));
            file.AddExactString(entry.path);
            file.AddInt(entry.code);
            file.EndLine();
        }
        for (int i = 0; i < kCameraPresetCount; ++i) {
            file.AddString(FString(u"CameraPreset"));
            file.AddInt(i);
            const FCameraPose& pose = cameraPresets[static_cast<size_t>(i)];
            for (int k = 0; k < FCameraPose::kValueCount; ++k)
                file.AddFloat(pose[k]);
            file.EndLine();
        }
        if (!file.Finish())
            return fail(temporary, file.LastError() ? file.LastError() : EIO);
    }
    if (!replacement.Commit())
        return fail(path, replacement.LastError());
    return FSaveResult::Saved;
}

FString FSettings::GetRecentPath(int index) const
{
    if (index < 0 || index >= kRecentPathCount)
        return FString(u" ");
    return RecentPath[static_cast<size_t>(index)];
}

void FSettings::AddRecentPath(const FString& path)
{
    // Paths keep their spelling: on a case-sensitive file system a lower-cased
    // path would name another folder, or none.
    const FString folder = path.DirectoryPart();
    int match = kRecentPathCount - 1;
    for (int i = 0; i < kRecentPathCount; ++i) {
        if (RecentPath[static_cast<size_t>(i)].DirectoryPart().Equals(folder)) {
            if (i == 0)
                return;
            match = i;
            break;
        }
    }
    for (int i = match; i > 0; --i)
        RecentPath[static_cast<size_t>(i)] = RecentPath[static_cast<size_t>(i - 1)];
    RecentPath[0] = path;
}

int32_t FSettings::GetRotation(const FString& path) const
{
    const FString key = path.Lowered();
    for (const FRotationEntry& entry : rotations)
        if (entry.path.Equals(key))
            return entry.code;
    return 0;
}

bool FSettings::SetRotation(const FString& path, int32_t code)
{
    const FString key = path.Lowered();
    FRotationEntry* freeEntry = nullptr;
    for (FRotationEntry& entry : rotations) {
        if (entry.path.Equals(key)) {
            entry.code = code;
            return true;
        }
        if (!freeEntry && entry.path.IsEmpty())
            freeEntry = &entry;
    }
    if (!freeEntry)
        return false;
    freeEntry->path = key;
    freeEntry->code = code;
    return true;
}
