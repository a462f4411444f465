#include "KEL_accessible.h"

#include "KEL_edit.h"
#include "KEL_grbutton.h"
#include "KEL_progressbar.h"

#include <QAccessibleWidget>
#include <QList>

namespace {

class AccessibleButton : public QAccessibleWidget {
public:
    explicit AccessibleButton(TKEL_grbutton *button)
        : QAccessibleWidget(button, QAccessible::Button) {
        addControllingSignal(QStringLiteral("OnClick()"));
    }

    TKEL_grbutton *button() const { return static_cast<TKEL_grbutton *>(widget()); }

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            if (!button()->accessibleName().isEmpty())
                return button()->accessibleName();
            // Without the mark of an underlined letter.
            return QString(button()->Caption()).remove(QLatin1Char('&'));
        case QAccessible::Accelerator:
            return button()->Shortcut().toString(QKeySequence::NativeText);
        default:
            return QAccessibleWidget::text(t);
        }
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString &name) override {
        if (name == pressAction())
            button()->Click();
    }

    QStringList keyBindingsForAction(const QString &name) const override {
        if (name == pressAction() && !button()->Shortcut().isEmpty())
            return {button()->Shortcut().toString(QKeySequence::NativeText)};
        return {};
    }
};

class AccessibleProgressBar : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccessibleProgressBar(TKEL_progressbar *bar)
        : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

    TKEL_progressbar *bar() const { return static_cast<TKEL_progressbar *>(widget()); }

    void *interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return bar()->DisplayText().isEmpty() ? QString::number(bar()->Position())
                                                  : bar()->DisplayText();
        return QAccessibleWidget::text(t);
    }

    // Read-only: only the program moves the bar.
    QVariant currentValue() const override { return bar()->Position(); }
    void setCurrentValue(const QVariant &) override {}
    QVariant maximumValue() const override { return bar()->Max(); }
    QVariant minimumValue() const override { return bar()->Min(); }
    QVariant minimumStepSize() const override { return 0; }
};

// The box's inner editor holds the text and the caret; the box stands for it, so a reader
// meets one editable text per box.
class AccessibleEdit : public QAccessibleWidget {
public:
    explicit AccessibleEdit(TKEL_edit *edit) : QAccessibleWidget(edit, QAccessible::EditableText) {}

    TKEL_edit *edit() const { return static_cast<TKEL_edit *>(widget()); }

    QAccessibleInterface *inner() const {
        return QAccessible::queryAccessibleInterface(edit()->editor());
    }

    void *interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface || t == QAccessible::EditableTextInterface)
            if (QAccessibleInterface *editor = inner())
                return editor->interface_cast(t);
        return QAccessibleWidget::interface_cast(t);
    }

    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = true;
        s.focusable = true;
        s.focused = edit()->editor() && edit()->editor()->hasFocus();
        s.multiLine = edit()->Multiline();
        return s;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return edit()->Text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *kelFactory(const QString &className, QObject *object) {
    if (className == QLatin1String("TKEL_grbutton"))
        return new AccessibleButton(static_cast<TKEL_grbutton *>(object));
    if (className == QLatin1String("TKEL_progressbar"))
        return new AccessibleProgressBar(static_cast<TKEL_progressbar *>(object));
    if (className == QLatin1String("TKEL_edit"))
        return new AccessibleEdit(static_cast<TKEL_edit *>(object));
    return nullptr;
}

} // namespace

void InstallAccessibleFactory(QAccessible::InterfaceFactory factory) {
    static QList<QAccessible::InterfaceFactory> installed;
    if (installed.contains(factory))
        return;
    installed.append(factory);
    QAccessible::installFactory(factory);
}

void InstallKelAccessibility() {
    InstallAccessibleFactory(kelFactory);
}

void NotifyAccessibleNameChanged(QObject *object) {
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent event(object, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void NotifyAccessibleValueChanged(QObject *object, double value) {
    if (!QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent event(object, value);
    QAccessible::updateAccessibility(&event);
}
