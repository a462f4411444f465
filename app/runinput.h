#pragma once
// Keeps the user's input away from a window that a batch run holds.
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

// While it lives, clicks, key presses and wheel turns aimed at the window or any of its
// controls are dropped, not kept for later: they must not take effect once the run is over.
// Other windows, such as the run's own message boxes, get their input; pointer moves and
// close requests still reach the window. Esc pressed in the window calls `onEscape`.
class TRunInputBlocker : public QObject {
public:
    explicit TRunInputBlocker(QWidget *window, std::function<void()> onEscape = {});
    ~TRunInputBlocker() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QWidget> window_;
    std::function<void()> onEscape_;
};
