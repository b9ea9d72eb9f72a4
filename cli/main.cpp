// torvane-convert: converts DDS textures into level files from the command line.

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "console_host.h"
#include "conversion_error.h"
#include "conversion_jobs.h"
#include "import_file.h"
#include "options.h"
#include "portability.h"

namespace {

// Converts one texture; returns whether a level file was created.
bool Convert(const ConversionJob& job, ConsoleHost& host)
{
    host.Begin(job.source, job.outputDirectory);
    std::string failure;
    try {
        ImportFile::ImportTexture(job.source, host);
    } catch (const ConversionError& error) {
        failure = error.what();
    }
    host.Finish();
    if (failure.empty() && host.Refusal()) {
        failure = *host.Refusal();
    }
    if (!failure.empty()) {
        std::cerr << Portability::PathText(job.source) << ": " << failure << '\n';
        return false;
    }
    std::cout << *host.Status() << '\n';
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string usageError;
    const auto options = ParseOptions(Portability::Utf8Arguments(argc, argv), usageError);
    if (!options) {
        std::cerr << "torvane-convert: " << usageError << "\n"
                  << "Try 'torvane-convert --help' for more information.\n";
        return 2;
    }
    if (options->showHelp) {
        std::cout << kUsage;
        return 0;
    }
    if (options->showVersion) {
        std::cout << "torvane-convert " TORVANE_VERSION "\n";
        return 0;
    }

    const JobList list = CollectJobs(*options);
    for (const std::string& failure : list.failures) {
        std::cerr << failure << '\n';
    }
    ConsoleHost host(Portability::StderrIsTerminal());
    bool allConverted = list.failures.empty();
    for (const ConversionJob& job : list.jobs) {
        allConverted = Convert(job, host) && allConverted;
        std::cout.flush();
    }
    return allConverted ? 0 : 1;
}
