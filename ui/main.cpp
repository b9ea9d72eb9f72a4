#include <QApplication>

#include "ui/application_id.h"
#include "ui/main_form.h"
#include "ui/preference_places.h"
#include "ui/program_icon.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Torvane"));
    QApplication::setDesktopFileName(QString::fromUtf8(kApplicationId.data(), kApplicationId.size()));
    QApplication::setWindowIcon(ProgramIcon());
    MainForm form(StandardPreferencePlaces());
    form.show();
    return QApplication::exec();
}
