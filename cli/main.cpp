// torvane-convert: converts DDS textures into level files from the command line.

#include <iostream>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/batch_run.h"
#include "cli/console.h"
#include "cli/conversion_jobs.h"
#include "cli/file_list.h"
#include "cli/interrupts.h"
#include "cli/options.h"
#include "cli/texture_watch.h"

int main(int argc, char** argv)
{
    UseUtf8Console();
    Options options;
    try {
        options = ParseOptions(Utf8Arguments(argc, argv));
    } catch (const CommandLineError& usage) {
        std::cerr << "torvane-convert: " << usage.what() << "\n"
                  << "Try 'torvane-convert --help' for more information.\n";
        return 2;
    }
    if (options.showHelp) {
        std::cout << kUsage;
        return 0;
    }
    if (options.showVersion) {
        std::cout << "torvane-convert " TORVANE_VERSION "\n";
        return 0;
    }

    std::vector<std::filesystem::path> paths = options.paths;
    try {
        for (const std::filesystem::path& fileList : options.fileLists) {
            const std::vector<std::filesystem::path> listed = ReadFileList(fileList);
            paths.insert(paths.end(), listed.begin(), listed.end());
        }
    } catch (const CommandLineError& unreadable) {
        std::cerr << "torvane-convert: " << unreadable.what() << '\n';
        return 2;
    }

    // From here on Ctrl+C lets the level file being written finish.
    CatchInterrupts();
    const bool showProgress = StderrIsTerminal() && !options.quiet;
    BatchRun run(options, showProgress);
    TextureWatch watch(paths, options);

    const JobList list = CollectJobs(paths, options);
    if (options.watch) {
        watch.Start(list);
    }
    const bool allConverted = run.Convert(list);
    if (options.watch && !InterruptRequested()) {
        if (showProgress) {
            std::cerr << "Watching for changes; press Ctrl+C to stop." << std::endl;
        }
        watch.Run(run);
    }
    if (InterruptRequested()) {
        EndAsInterrupted();
    }
    return allConverted ? 0 : 1;
}
