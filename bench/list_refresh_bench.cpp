// What following the file system costs on a large folder: listing it,
// refreshing it when nothing or one file changed, and how a burst of changes
// settles into notifications. Prints figures; it is not a test.
//
//   list_refresh_bench [FILES]   (default 5000)

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "conversion/file_pattern.h"
#include "support/temp_dir.h"
#include "ui/file_list.h"
#include "ui/folder_watch.h"

namespace {

// Best of five runs of `work`, in milliseconds.
double BestMs(const std::function<void()>& work)
{
    double best = 1e300;
    for (int round = 0; round < 5; ++round) {
        const auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

std::string Name(int index, const char* extension)
{
    std::string name = std::to_string(100'000 + index);
    name.insert(0, "texture-");
    return name.append(extension);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 5000;

    TempDir folder;
    for (int index = 0; index < files; ++index) {
        WriteBytes(folder.Path() / Name(index, index % 2 == 0 ? ".dds" : ".lvl"), {1});
    }
    std::printf("folder of %d files, half of them matching *.dds*\n", files);

    FileList list(QString::fromUtf8(FilePattern::kTextures.data()));
    std::printf("first listing                 %8.2f ms\n", BestMs([&] { list.SetDirectory(folder.Path()); }));
    std::printf("refresh, nothing changed      %8.2f ms\n", BestMs([&] { list.Refresh(); }));
    int added = 0;
    std::printf("refresh, one texture added    %8.2f ms\n", BestMs([&] {
                    WriteBytes(folder.Path() / Name(files + added++, ".dds"), {1});
                    list.Refresh();
                }));

    // A burst of new files, written as fast as the disk takes them, against
    // the watch the window uses.
    FolderWatch watch([] { return false; });
    watch.Watch({folder.Path()});
    int notifications = 0;
    QElapsedTimer sinceLastWrite;
    qint64 settledAfterMs = -1;
    QObject::connect(&watch, &FolderWatch::Changed, [&] {
        ++notifications;
        settledAfterMs = sinceLastWrite.elapsed();
        list.Refresh();
    });
    const int burst = files / 5;
    for (int index = 0; index < burst; ++index) {
        WriteBytes(folder.Path() / Name(2 * files + index, ".dds"), {1});
    }
    sinceLastWrite.start();
    QTimer::singleShot(1'000, &application, &QCoreApplication::quit);
    QApplication::exec();
    std::printf("burst of %d new files          %d notification(s), list up to date %lld ms after the last write, %d entries\n",
                burst, notifications, static_cast<long long>(settledAfterMs), list.count());
    return 0;
}
