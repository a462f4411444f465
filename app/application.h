#pragma once
// The application object: an exception that escapes an event handler reaches the general
// error report instead of ending the program, and the next event is handled as usual. Its
// windows carry the program's icon (from the first paint on) and belong to its desktop entry.
#include <QApplication>

class TApplication : public QApplication {
    Q_OBJECT
public:
    static constexpr const char *Title = "Quillet";

    TApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
