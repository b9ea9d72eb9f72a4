// The window as drawn: caption, geometry, fonts, tab order, menus, icon.
#include <QLabel>
#include <QMenu>
#include <QMenuBar>

#include "form_fixture.h"
#include "program_icon.h"

namespace {

using LayoutTest = FormTest;

TEST_F(LayoutTest, ControlsSitWhereDrawnWithTheirFontsAndContent)
{
    Start();
    EXPECT_EQ(form->windowTitle(), "Torvane by Quorrin");
    EXPECT_EQ(form->centralWidget()->size(), QSize(738, 489));
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinMaxButtonsHint);

    struct Expected {
        const char* name;
        QRect geometry;
        double points;  // 0: the window's default font
        bool bold;
    };
    const std::vector<Expected> controls = {
        {"Label1", {8, 0, 137, 17}, 9.75, true},   {"Dir1", {8, 24, 193, 214}, 8.25, false},
        {"File1", {8, 248, 193, 201}, 0, false},   {"Dir2", {536, 48, 193, 182}, 8.25, false},
        {"File2", {536, 248, 193, 201}, 0, false}, {"Text1", {208, 248, 321, 201}, 0, false},
        {"PB1", {8, 456, 721, 25}, 0, false},      {"Label2", {536, 0, 137, 17}, 9.75, true},
        {"Drive1", {536, 24, 193, 21}, 0, false},
    };
    // Resizing moves nothing.
    form->resize(500, 300);
    QApplication::processEvents();
    for (const Expected& expected : controls) {
        SCOPED_TRACE(expected.name);
        const auto* control = Find<QWidget>(expected.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->geometry(), expected.geometry);
        if (expected.points > 0) {
            EXPECT_EQ(control->font().family(), "Courier New");
            EXPECT_EQ(control->font().pointSizeF(), expected.points);
            EXPECT_EQ(control->font().weight(), expected.bold ? QFont::Bold : QFont::Normal);
        } else {
            EXPECT_EQ(control->font(), form->font());
        }
    }
    EXPECT_EQ(Find<QLabel>("Label1")->text(), "Target lvl File:");
    EXPECT_EQ(Find<QLabel>("Label2")->text(), "Edited lvl File:");
    EXPECT_EQ(File1()->Pattern(), "*.lvl*");
    EXPECT_EQ(File2()->Pattern(), "*.dds*");
    EXPECT_TRUE(Text1()->isReadOnly());
}

TEST_F(LayoutTest, TabVisitsTheListsThenTheStatusBoxThenTheDrives)
{
    Start();
    QStringList order;
    QWidget* widget = Dir1();
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            order << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    } while (widget != Dir1());
    order.removeAll(QString());  // unnamed parts of the controls themselves
    EXPECT_EQ(order, (QStringList{"Dir1", "File1", "Dir2", "File2", "Text1", "Drive1"}));
}

TEST_F(LayoutTest, MenusAndIcon)
{
    Start();
    const QList<QAction*> bar = form->menuBar()->actions();
    ASSERT_EQ(bar.size(), 2);
    EXPECT_EQ(bar[0]->text(), "File");
    EXPECT_EQ(bar[0]->menu(), nullptr);
    EXPECT_EQ(bar[1]->text(), "Help");
    ASSERT_NE(bar[1]->menu(), nullptr);
    const QList<QAction*> help = bar[1]->menu()->actions();
    ASSERT_EQ(help.size(), 1);
    EXPECT_EQ(help[0]->text(), "About");
    bar[0]->trigger();
    help[0]->trigger();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(messages.isEmpty());

    EXPECT_TRUE(ProgramIcon().availableSizes().contains(QSize(32, 32)));
}

}  // namespace
