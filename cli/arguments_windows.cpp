#include "cli/arguments.h"

#include <filesystem>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

#include "conversion/path_text.h"

std::vector<std::string> Utf8Arguments(int argc, char** argv)
{
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        return {argv + (argc > 0 ? 1 : 0), argv + argc};
    }
    std::vector<std::string> arguments;
    for (int index = 1; index < count; ++index) {
        arguments.push_back(PathText(std::filesystem::path(wide[index])));
    }
    LocalFree(wide);
    return arguments;
}
