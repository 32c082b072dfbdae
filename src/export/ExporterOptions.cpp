#include "export/ExporterOptions.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace {

bool ParseInt(const std::string& text, int32_t& value)
{
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

bool ParseFloat(const std::string& text, float& value)
{
    // from_chars would do, but "29.97" must parse whatever the locale.
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && std::isfinite(value);
}

bool ParseSwitch(const std::string& text, const char* yes, const char* no, bool& value)
{
    if (text == yes)
        value = true;
    else if (text == no)
        value = false;
    else
        return false;
    return true;
}

} // namespace

std::optional<FExporterOptions> ParseExporterOptions(const std::vector<std::string>& args, std::string& error)
{
    FExporterOptions options;
    bool noMusic = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name == "--list-encoders") {
            options.listEncoders = true;
            // The type is optional: what follows is one only when it is no option.
            if (i + 1 < args.size() && args[i + 1].rfind("--", 0) != 0) {
                options.encodersFor = args[++i];
                if (!ContainerForType(FString::FromUtf8(options.encodersFor).Str())) {
                    error = "bad value '" + options.encodersFor + "' for --list-encoders: expected a movie type, " +
                            FString(kMovieTypes).ToUtf8();
                    return std::nullopt;
                }
            }
            continue;
        }
        if (name == "--no-music") {
            if (options.music && !options.music->empty()) {
                error = "--no-music and --music exclude each other";
                return std::nullopt;
            }
            options.music.emplace();
            noMusic = true;
            continue;
        }
        if (name.rfind("--", 0) != 0) {
            error = "unexpected argument '" + name + "'";
            return std::nullopt;
        }
        if (i + 1 >= args.size()) {
            error = "option " + name + " needs a value";
            return std::nullopt;
        }
        const std::string& value = args[++i];
        auto bad = [&](const char* what) {
            error = "bad value '" + value + "' for " + name + ": " + what;
            return std::nullopt;
        };
        int32_t n = 0;
        float f = 0;
        bool b = false;
        if (name == "--folder") {
            options.folder = value;
        } else if (name == "--output") {
            options.output = value;
        } else if (name == "--width" || name == "--height") {
            if (!ParseInt(value, n) || n < 64 || n > 5000)
                return bad("expected a whole number of pixels from 64 to 5000");
            (name == "--width" ? options.width : options.height) = n;
        } else if (name == "--time-page" || name == "--time-zoom" || name == "--time-view") {
            if (!ParseInt(value, n) || n < 1 || n > 20)
                return bad("expected whole seconds from 1 to 20");
            (name == "--time-page"   ? options.timePage
             : name == "--time-zoom" ? options.timeZoom
                                     : options.timeView) = n;
        } else if (name == "--par") {
            if (!ParseFloat(value, f) || f <= 0 || f > 10)
                return bad("expected a pixel aspect ratio above 0 and at most 10");
            options.par = f;
        } else if (name == "--fps") {
            if (!ParseFloat(value, f) || f <= 0 || f > 100)
                return bad("expected frames per second above 0 and at most 100");
            options.fps = f;
        } else if (name == "--quality") {
            if (!ParseInt(value, n) || n < kMinExportQuality || n > kMaxExportQuality)
                return bad("expected a whole number from 1 (smallest file) to 100 (best picture)");
            options.quality = n;
        } else if (name == "--music") {
            if (noMusic) {
                error = "--no-music and --music exclude each other";
                return std::nullopt;
            }
            if (value.empty())
                return bad("expected a music file");
            if (!options.music)
                options.music.emplace();
            options.music->push_back(value);
        } else if (name == "--encoder") {
            options.encoder = value;
        } else if (name == "--sort") {
            if (!ParseSwitch(value, "date", "name", b))
                return bad("expected name or date");
            options.sortByDate = b;
        } else if (name == "--progress") {
            if (value == "text")
                options.progress = FProgressOutput::Text;
            else if (value == "json")
                options.progress = FProgressOutput::Json;
            else if (value == "none")
                options.progress = FProgressOutput::None;
            else
                return bad("expected text, json or none");
        } else if (name == "--transparent-page" || name == "--shadows") {
            if (!ParseSwitch(value, "on", "off", b))
                return bad("expected on or off");
            (name == "--shadows" ? options.shadows : options.transparentPage) = b;
        } else {
            error = "unknown option " + name;
            return std::nullopt;
        }
    }
    if (!options.help && !options.listEncoders) {
        if (options.folder.empty()) {
            error = "--folder DIR is required";
            return std::nullopt;
        }
        if (options.output.empty()) {
            error = "--output FILE is required";
            return std::nullopt;
        }
        if (const FString refusal = MovieTypeRefusal(FString::FromUtf8(options.output)); !refusal.IsEmpty()) {
            error = "--output " + refusal.ToUtf8();
            return std::nullopt;
        }
    }
    return options;
}

FMovieContainer ListedContainer(const FExporterOptions& options)
{
    if (const auto named = ContainerForType(FString::FromUtf8(options.encodersFor).Str()))
        return *named;
    return ContainerForPath(FString::FromUtf8(options.output)).value_or(FMovieContainer::Avi);
}

void ApplyExporterOptions(const FExporterOptions& options, FSettings& settings)
{
    if (options.width)
        settings.ExportWidth = *options.width;
    if (options.height)
        settings.ExportHeight = *options.height;
    if (options.par)
        settings.ExportPAR = *options.par;
    if (options.fps)
        settings.ExportFPS = *options.fps;
    if (options.timePage)
        settings.TimePage = *options.timePage;
    if (options.timeZoom)
        settings.TimeZoom = *options.timeZoom;
    if (options.timeView)
        settings.TimeView = *options.timeView;
    if (options.quality)
        settings.ExportQuality = *options.quality;
    if (options.encoder) {
        settings.EncoderName = FString::FromUtf8(*options.encoder);
        settings.ExportType = options.encoder->empty() ? 0 : 1;
    }
    if (options.sortByDate)
        settings.Sort = *options.sortByDate ? 1 : 0;
    if (options.transparentPage)
        settings.RenderTransparentPage = *options.transparentPage;
    if (options.shadows)
        settings.RenderShadows = *options.shadows;
    if (options.music) {
        settings.ExportMusic.clear();
        for (const std::string& file : *options.music)
            settings.ExportMusic.push_back(FString::FromUtf8(file));
    }
    settings.ExportMoviePath = FString::FromUtf8(options.output);
}

const char* ExporterUsage()
{
    return "Usage: QuilloPhotoBookExport --folder DIR --output FILE [options]\n"
           "Renders the photo book of a folder into a movie, without a window.\n"
           "The output's extension picks the file type: .mp4 or .m4v (MP4), .mov (QuickTime)\n"
           "and .mkv (Matroska), H.264 unless --encoder says otherwise; .webm (WebM, VP9 or\n"
           "AV1); .avi. Any other name is refused.\n"
           "Settings not given here come from QuilloPhotoBook.ini, which is never written.\n"
           "\n"
           "  --folder DIR                the photos (required): JPEG (.jpg, .jpeg), HEIC/HEIF,\n"
           "                              AVIF, WebP, PNG, TIFF, BMP and TGA files\n"
           "  --output FILE               the movie file (required): .mp4, .m4v, .mov, .mkv, .webm\n"
           "                              or .avi\n"
           "  --width N, --height N       movie size in pixels (64..5000)\n"
           "  --par X                     pixel aspect ratio\n"
           "  --fps X                     frames per second\n"
           "  --time-page N               page turning time in seconds (1..20)\n"
           "  --time-zoom N               zoom time in seconds (1..20)\n"
           "  --time-view N               photo viewing time in seconds (1..20)\n"
           "  --encoder NAME              video encoder (see --list-encoders); empty: uncompressed\n"
           "                              AVI, or the type's own default for the others\n"
           "  --quality N                 1 (smallest file) .. 100 (best picture); default 80\n"
           "  --sort name|date            order of the photos (date: when each was taken)\n"
           "  --transparent-page on|off   the see-through sheet between the pages\n"
           "  --shadows on|off            stencil shadows\n"
           "  --music FILE                music under the movie (MP3, AAC/M4A, Ogg Vorbis, Opus,\n"
           "                              FLAC, WAV, ...); repeat it for more files, played in\n"
           "                              order and looped to the movie's length, faded in and out\n"
           "                              and levelled to -16 LUFS; replaces the settings' music.\n"
           "                              AAC in .mp4, .m4v, .mov and .mkv, Opus in .webm, MP3 in\n"
           "                              .avi (16-bit PCM beside uncompressed frames)\n"
           "  --no-music                  a silent movie, whatever the settings choose\n"
           "  --progress text|json|none   text (the default): a progress line on stderr, rewritten\n"
           "                              in place on a terminal, else one every few seconds;\n"
           "                              json: on stdout one object a line while rendering,\n"
           "                              {\"frame\":N,\"total\":N,\"elapsed\":s,\"remaining\":s|null,\n"
           "                              \"bytes\":N}, then the report as one object; other\n"
           "                              messages go to stderr; none: no progress\n"
           "  --list-encoders [TYPE]      print the encoder names, one a line, that a movie of\n"
           "                              TYPE (mp4, m4v, mov, mkv, webm, avi) can hold; without\n"
           "                              TYPE, the --output file's type (AVI when there is none)\n"
           "  --help                      this text\n";
}
