#pragma once
// Saving a picture of a shown window once the window system has put it on screen.
#include <QString>

class QWidget;

// Waits until `window` is exposed (or a few seconds have passed), grabs it into `fileName`
// as PNG and ends the event loop: exit code 0 when the file was written, 1 otherwise.
void ScreenshotWhenShown(QWidget *window, const QString &fileName);
