#include "windowaccessible.h"

#include "KEL_accessible.h"
#include "KEL_common.h"
#include "colorpanel.h"
#include "previewimage.h"

#include <QAccessibleWidget>
#include <QFileInfo>

namespace {

// The colour as a listener knows it: one of the sixteen basic colours by name, any other by
// its red, green and blue values.
QString colorName(TColor color) {
    static const std::pair<TColor, const char *> named[] = {
        {0x000000, "black"},  {0x000080, "maroon"},  {0x008000, "green"}, {0x008080, "olive"},
        {0x800000, "navy"},   {0x800080, "purple"},  {0x808000, "teal"},  {0x808080, "gray"},
        {0xC0C0C0, "silver"}, {0x0000FF, "red"},     {0x00FF00, "lime"},  {0x00FFFF, "yellow"},
        {0xFF0000, "blue"},   {0xFF00FF, "fuchsia"}, {0xFFFF00, "aqua"},  {0xFFFFFF, "white"},
    };
    const TColor rgb = ResolveColor(color);
    for (const auto &[value, name] : named)
        if (value == rgb)
            return QString::fromLatin1(name);
    const QColor c = ToQColor(rgb);
    return QStringLiteral("red %1, green %2, blue %3").arg(c.red()).arg(c.green()).arg(c.blue());
}

class AccessibleColorPanel : public QAccessibleWidget {
public:
    explicit AccessibleColorPanel(TColorPanel *panel)
        : QAccessibleWidget(panel, QAccessible::Button) {}

    TColorPanel *panel() const { return static_cast<TColorPanel *>(widget()); }

    // The name tells the colour ("Fill color: black"); the value holds it as "#rrggbb".
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value)
            return ToQColor(panel()->Color()).name();
        if (t == QAccessible::Name)
            return QAccessibleWidget::text(t) + QStringLiteral(": ") + colorName(panel()->Color());
        return QAccessibleWidget::text(t);
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString &name) override {
        if (name == pressAction())
            emit panel()->OnClick();
    }
};

// The preview's name tells the photo it shows ("Preview: beach.jpg").
class AccessiblePreview : public QAccessibleWidget {
public:
    explicit AccessiblePreview(TImage *image) : QAccessibleWidget(image, QAccessible::Graphic) {}

    QString text(QAccessible::Text t) const override {
        const QString shown = static_cast<TImage *>(widget())->ShownFile();
        if (t != QAccessible::Name || shown.isEmpty())
            return QAccessibleWidget::text(t);
        return QAccessibleWidget::text(t) + QStringLiteral(": ") + QFileInfo(shown).fileName();
    }
};

QAccessibleInterface *windowFactory(const QString &className, QObject *object) {
    if (className == QLatin1String("TColorPanel"))
        return new AccessibleColorPanel(static_cast<TColorPanel *>(object));
    if (className == QLatin1String("TImage"))
        return new AccessiblePreview(static_cast<TImage *>(object));
    // The main window is a frame to assistive technology, as a main window is.
    if (className == QLatin1String("TForm1"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    if (className == QLatin1String("TSplitter"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Splitter);
    return nullptr;
}

} // namespace

void InstallWindowAccessibility() {
    InstallAccessibleFactory(windowFactory);
}
