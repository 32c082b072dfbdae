#include "export/MovieChapters.h"

#include "app/PageText.h"

std::vector<FMovieChapter> MovieChapters(const std::vector<FScriptStep>& script, int32_t photoCount,
                                         const FLocale& locale)
{
    std::vector<FMovieChapter> chapters;
    int64_t frame = 0;
    int32_t spread = -1;
    for (const FScriptStep& step : script) {
        if (step.spread != spread) {
            spread = step.spread;
            if (!chapters.empty() && chapters.back().frame == frame)
                chapters.pop_back();
            chapters.push_back({frame, PageText(spread * 2, photoCount, locale)});
        }
        frame += step.frames;
    }
    if (!chapters.empty() && chapters.back().frame == frame)
        chapters.pop_back();
    return chapters;
}
