#pragma once

#include <QWidget>

class QLabel;
class QWindow;

// A small fixed window that names the program, carries a notice to its users
// and shows the banner. While it is open it keeps the activation among the
// program's windows, except from a modal box of the program, which keeps it
// until it is answered.
class AboutForm : public QWidget {
    Q_OBJECT

public:
    explicit AboutForm(QWidget* parent = nullptr);

    // Shows the window in its normal state, in front, and activates it.
    void Present();

protected:
    void changeEvent(QEvent* event) override;

private:
    void TakeBackActivation(QWindow* focus);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Image1 = nullptr;
};
