#pragma once
// What the GL benchmarks start from: a headless OpenGL context, the application with
// the program's own media and settings beside the executable, and its renderer,
// which also loads the photos' textures.

#include "app/FPhotoBookApp.h"
#include "base/FFile.h"
#include "gl/FBookRenderer.h"
#include "gl/FGlContext.h"
#include "gl/FGlFramebuffer.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

struct FBenchBook
{
    std::unique_ptr<FGlContext> context; // first made, last gone
    FPhotoBookApp app;
    FBookRenderer book;
    // Every screen lives to the end: the renderer keeps the last one it was given.
    std::vector<std::unique_ptr<FGlFramebuffer>> screens;

    // False, having said why on stderr, without an OpenGL context.
    bool Open(int desktopWidth, int desktopHeight)
    {
        std::string error;
        context = FGlContext::Create(error);
        if (!context) {
            std::fprintf(stderr, "no OpenGL context: %s\n", error.c_str());
            return false;
        }
        app.Init({GetModuleDirectory(), desktopWidth, desktopHeight}, 0);
        app.textureLoader = &book.Loader();
        return true;
    }

    // A new width x height screen as the device's drawable; false, having said why.
    bool UseScreen(int width, int height)
    {
        std::string error;
        screens.push_back(FGlFramebuffer::Create(width, height, &error));
        if (!screens.back()) {
            std::fprintf(stderr, "no %d x %d screen: %s\n", width, height, error.c_str());
            return false;
        }
        if (book.DeviceReset(FGlScreen{screens.back()->Id(), width, height}, app.effectPath) == kOk)
            return true;
        std::fprintf(stderr, "%s\n", book.LastError().c_str());
        return false;
    }
};
