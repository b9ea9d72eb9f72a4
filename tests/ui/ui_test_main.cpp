#include <QApplication>
#include <QFont>
#include <QSettings>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Never a real display, also when the tests are listed at build time.
    qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef _WIN32
    // On Windows the offscreen platform reads font files from a folder of its
    // own instead of asking the system: give it the system's fonts.
    if (qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR")) {
        qputenv("QT_QPA_FONTDIR", (qEnvironmentVariable("WINDIR") + QStringLiteral("\\Fonts")).toLocal8Bit());
    }
#endif
    QApplication application(argc, argv);
#ifdef _WIN32
    // Nor does it know the faces the system puts in place of missing ones;
    // Wine keeps them here (Windows itself has Courier New).
    const QSettings replacements(QStringLiteral("HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements"),
                                 QSettings::NativeFormat);
    for (const QString& family : replacements.childKeys()) {
        QFont::insertSubstitution(family, replacements.value(family).toString());
    }
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
