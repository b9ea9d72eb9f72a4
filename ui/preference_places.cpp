#include "ui/preference_places.h"

#include <QStandardPaths>

#include <string>
#include <system_error>

#include "ui/application_id.h"
#include "ui/executable_directory.h"
#include "ui/path_names.h"

PreferenceFile::Places PreferencePlacesFor(const std::filesystem::path& executableDirectory,
                                           const std::filesystem::path& userConfigDirectory)
{
    const std::filesystem::path desktopEntry = executableDirectory.parent_path() / "share" / "applications" /
                                               (std::string(kApplicationId) + ".desktop");
    std::error_code notInstalled;
    const bool installed = std::filesystem::is_regular_file(desktopEntry, notInstalled);
    return {installed ? std::filesystem::path() : executableDirectory, userConfigDirectory};
}

PreferenceFile::Places StandardPreferencePlaces()
{
    const QString userConfig = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return PreferencePlacesFor(ExecutableDirectory(),
                               userConfig.isEmpty() ? std::filesystem::path() : NativePath(userConfig));
}
