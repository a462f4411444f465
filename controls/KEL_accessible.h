#pragma once
// What assistive technology learns of the controls that paint themselves: the graphic
// button as a push button with its caption, the gradient bar as a progress bar with its
// value, the mode edit box as an editable text. The list box (a list view) and the shadow
// label (a label) are described by Qt's own interfaces.
#include <QAccessible>

class QObject;

// Registers the interfaces with Qt once; every control calls it when it is made, so any
// program built on the controls describes them.
void InstallKelAccessibility();

// Registers a factory with Qt unless it already is.
void InstallAccessibleFactory(QAccessible::InterfaceFactory factory);

// Tells assistive technology that an object's name or value changed.
void NotifyAccessibleNameChanged(QObject *object);
void NotifyAccessibleValueChanged(QObject *object, double value);
