#include "ui/about_form.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPixmap>
#include <QTimer>
#include <QWindow>

#include "ui/courier_new.h"
#include "ui/program_icon.h"

namespace {

// The project's community site, named at the end of the notice.
const QString kCommunitySite = QStringLiteral("https://torvane.example.org");

QString Notice()
{
    return QStringLiteral(
               "This is the first, and also the last version of Torvane. All focus will be put toward another "
               "program that will skip this step altogether, making all the file replacments itself. Please do "
               "report any bugs you find with this Torvane, as the basic structure of this program will be used "
               "again. Be sure to visit %1 for any updates.")
        .arg(kCommunitySite);
}

}  // namespace

AboutForm::AboutForm(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("About Mellick"));
    setWindowIcon(ProgramIcon());
    // A fixed border with the close button only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(442, 221);
    setAttribute(Qt::WA_DeleteOnClose);

    Label1 = new QLabel(QStringLiteral("Torvane"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(128, 8, 177, 41);
    Label1->setFont(CourierNew(24, QFont::Bold));
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    Label2 = new QLabel(Notice(), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(8, 40, 433, 105);
    Label2->setFont(CourierNew(8.25, QFont::Normal));
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // At its natural size, two columns wider than the window, so the edge cuts them off.
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    const QPixmap banner(QStringLiteral(":/banner.bmp"));
    Image1->setPixmap(banner);
    Image1->setGeometry(0, 152, banner.width(), banner.height());

    connect(qApp, &QGuiApplication::focusWindowChanged, this, &AboutForm::TakeBackActivation);
}

void AboutForm::Present()
{
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    show();
    raise();
    activateWindow();
}

void AboutForm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange &&
        (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        // Some window managers (openbox) offer to minimize any window, whatever
        // it asks for; minimized, this one would be lost behind the program
        // it keeps running. It knows only its normal state.
        QTimer::singleShot(0, this, &AboutForm::Present);
    }
}

void AboutForm::TakeBackActivation(QWindow* focus)
{
    // Another window of the program took the activation: take it back, unless
    // it is a modal box waiting for an answer (its answer hands the activation
    // on, and this comes back then). A switch to another program leaves no
    // window of ours with the focus and is let be.
    const auto anotherOfOurs = [this] {
        const QWindow* now = QGuiApplication::focusWindow();
        return isVisible() && now != nullptr && now != windowHandle() && QApplication::activeModalWidget() == nullptr;
    };
    if (focus != nullptr && anotherOfOurs()) {
        QTimer::singleShot(0, this, [this, anotherOfOurs] {
            if (anotherOfOurs()) {
                raise();
                activateWindow();
            }
        });
    }
}
