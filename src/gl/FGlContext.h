#pragma once
// A headless OpenGL 3.3 core context on EGL's surfaceless platform (Mesa): no X
// server, no window. The GL tests and the headless exporter draw through it.
// Surfaceless has no default framebuffer, so whoever draws binds an FBO.

#include <memory>
#include <string>

class FGlContext
{
public:
    // Null and the reason in error when no such context can be made; on success
    // the context is current on the calling thread.
    static std::unique_ptr<FGlContext> Create(std::string& error);

    ~FGlContext();
    FGlContext(const FGlContext&) = delete;
    FGlContext& operator=(const FGlContext&) = delete;

    bool MakeCurrent();
    // "4.5 (Core Profile) Mesa ..." and the like, for test logs.
    std::string Version() const;

private:
    FGlContext() = default;
    void Destroy();

    void* display_ = nullptr; // EGLDisplay
    void* context_ = nullptr; // EGLContext
};
