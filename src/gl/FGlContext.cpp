#include "gl/FGlContext.h"

#include <epoxy/gl.h>
// EGL straight from libEGL: libepoxy's EGL dispatch refuses eglGetPlatformDisplay
// before a display exists to report version 1.5.
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>
#include <cstring>

namespace {
std::string EglErrorText(const char* what)
{
    char code[32];
    std::snprintf(code, sizeof code, " (EGL error 0x%04X)", static_cast<unsigned>(eglGetError()));
    return std::string(what) + code;
}

bool HasExtension(const char* list, const char* name)
{
    if (!list)
        return false;
    const size_t length = std::strlen(name);
    for (const char* p = std::strstr(list, name); p; p = std::strstr(p + length, name))
        if ((p == list || p[-1] == ' ') && (p[length] == ' ' || p[length] == '\0'))
            return true;
    return false;
}
} // namespace

std::unique_ptr<FGlContext> FGlContext::Create(std::string& error)
{
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    if (!HasExtension(clientExtensions, "EGL_MESA_platform_surfaceless")) {
        error = "EGL_MESA_platform_surfaceless is not available";
        return nullptr;
    }
    std::unique_ptr<FGlContext> result(new FGlContext);
    EGLDisplay display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY) {
        error = EglErrorText("eglGetPlatformDisplay failed");
        return nullptr;
    }
    EGLint major = 0, minor = 0;
    if (!eglInitialize(display, &major, &minor)) {
        error = EglErrorText("eglInitialize failed");
        return nullptr;
    }
    result->display_ = display;
    if (!HasExtension(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context")) {
        error = "EGL_KHR_surfaceless_context is not available";
        return nullptr;
    }
    if (!eglBindAPI(EGL_OPENGL_API)) {
        error = EglErrorText("eglBindAPI(EGL_OPENGL_API) failed");
        return nullptr;
    }
    // No surface ever: the default surface type (window) would match no config.
    const EGLint configAttributes[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, 0, EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configCount = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &configCount) || configCount < 1) {
        error = EglErrorText("no EGL config renders OpenGL");
        return nullptr;
    }
    const EGLint contextAttributes[] = {
        EGL_CONTEXT_MAJOR_VERSION,           3,       EGL_CONTEXT_MINOR_VERSION, 3, EGL_CONTEXT_OPENGL_PROFILE_MASK,
        EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context == EGL_NO_CONTEXT) {
        error = EglErrorText("eglCreateContext for OpenGL 3.3 core failed");
        return nullptr;
    }
    result->context_ = context;
    if (!result->MakeCurrent()) {
        error = EglErrorText("eglMakeCurrent failed");
        return nullptr;
    }
    return result;
}

FGlContext::~FGlContext()
{
    Destroy();
}

void FGlContext::Destroy()
{
    if (!display_)
        return;
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_)
        eglDestroyContext(display_, context_);
    context_ = nullptr;
    // The display is shared by every context of the process (EGL hands out the same
    // handle), so it stays initialised; terminating it would pull the rug from
    // under another live context.
    display_ = nullptr;
}

bool FGlContext::MakeCurrent()
{
    return display_ && context_ && eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, context_);
}

std::string FGlContext::Version() const
{
    const auto* text = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    return text ? text : "";
}
