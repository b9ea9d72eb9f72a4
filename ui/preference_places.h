#pragma once

#include <filesystem>

#include "preferences/preference_file.h"

// Where the window keeps its preference file. A copy installed with its
// desktop entry (share/applications beside its bin folder) is shared by every
// user of the machine, so it never writes beside its executable, even for a
// user who could; any other copy is portable and does, while that folder can
// be written.
PreferenceFile::Places PreferencePlacesFor(const std::filesystem::path& executableDirectory,
                                           const std::filesystem::path& userConfigDirectory);

// The places for this run: the executable's folder and the user's
// configuration folder for the application.
PreferenceFile::Places StandardPreferencePlaces();
