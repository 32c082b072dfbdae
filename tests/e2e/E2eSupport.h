#pragma once
// Shared by the tests that run the real program: its copy in a scratch program
// folder, shell commands (xdotool, ffmpeg) and waiting for its window.

#include "../base/ChildProcess.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>

// The command's standard output; text loses its trailing line breaks and blanks.
inline std::string Shell(const std::string& command, bool text = true)
{
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        std::array<char, 4096> buffer;
        for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0;)
            out.append(buffer.data(), n);
        ::pclose(pipe);
    }
    while (text && !out.empty() && (out.back() == '\n' || out.back() == ' '))
        out.pop_back();
    return out;
}

// The program (the viewer unless named) and its media copied into dir, as an
// installation of its own.
inline void InstallProgram(const ScratchDir& dir, const std::string& program = "QuilloPhotoBook")
{
    const std::filesystem::path build(PHOTOBOOK_BUILD_DIR);
    std::filesystem::copy_file(build / program, dir.file(program));
    std::filesystem::copy(build / "media", dir.file("media"), std::filesystem::copy_options::recursive);
}

// The X id of the first visible window whose title starts with title, once mapped.
inline std::string WaitForWindow(const std::string& title = "Quillo's Photo Book")
{
    return Shell("timeout 20 xdotool search --sync --onlyvisible --name \"^" + title + "\" | head -1");
}
