#pragma once

#include <QWidget>

class QLabel;

// A small fixed window that names the program, carries a notice to its users
// and shows the banner. While it is open it keeps the activation among the
// program's windows.
class AboutForm : public QWidget {
    Q_OBJECT

public:
    explicit AboutForm(QWidget* parent = nullptr);

protected:
    void changeEvent(QEvent* event) override;

private:
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Image1 = nullptr;
};
