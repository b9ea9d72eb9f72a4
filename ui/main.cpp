#include <QApplication>

#include "main_form.h"
#include "program_icon.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Torvane"));
    QApplication::setWindowIcon(ProgramIcon());
    MainForm form;
    form.show();
    return QApplication::exec();
}
