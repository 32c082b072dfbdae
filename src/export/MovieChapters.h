#pragma once
// The chapters a movie carries: one per spread, named as the title bar names it.

#include "base/FLocale.h"
#include "export/ExportScript.h"
#include "export/FFrameSink.h"

#include <vector>

// A chapter where each spread's first step starts: the first spread at frame 0 (the
// movie opens on it, with no turn before it), every later one at the first frame of
// its page turn, titled "Page 3 of 12". A spread of no frames leaves its place to the
// next one at the same frame, and none starts at the movie's end, so each chapter
// holds at least one frame.
std::vector<FMovieChapter> MovieChapters(const std::vector<FScriptStep>& script, int32_t photoCount,
                                         const FLocale& locale);
