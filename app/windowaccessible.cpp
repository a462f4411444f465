#include "windowaccessible.h"

#include "KEL_accessible.h"
#include "KEL_common.h"
#include "colorpanel.h"

#include <QAccessibleWidget>

namespace {

class AccessibleColorPanel : public QAccessibleWidget {
public:
    explicit AccessibleColorPanel(TColorPanel *panel)
        : QAccessibleWidget(panel, QAccessible::Button) {}

    TColorPanel *panel() const { return static_cast<TColorPanel *>(widget()); }

    // The colour itself, as "#rrggbb".
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return ToQColor(panel()->Color()).name();
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString &name) override {
        if (name == pressAction())
            emit panel()->OnClick();
    }
};

QAccessibleInterface *windowFactory(const QString &className, QObject *object) {
    if (className == QLatin1String("TColorPanel"))
        return new AccessibleColorPanel(static_cast<TColorPanel *>(object));
    if (className == QLatin1String("TImage"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Graphic);
    if (className == QLatin1String("TSplitter"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Splitter);
    return nullptr;
}

} // namespace

void InstallWindowAccessibility() {
    InstallAccessibleFactory(windowFactory);
}
