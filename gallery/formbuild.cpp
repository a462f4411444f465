#include "formbuild.h"

#include <QPalette>

namespace gallery {

KelFont tahoma(TColor color, bool bold) {
    KelFont f(QStringLiteral("Tahoma"), -11, color, bold);
    f.Charset = KelFont::ANSI_CHARSET;
    return f;
}

KelFont msSansSerif(int height, TColor color, bool bold) {
    return KelFont(QStringLiteral("MS Sans Serif"), height, color, bold);
}

QLabel *plainLabel(QWidget *parent, const QString &text, QPoint at, bool bold) {
    auto *label = new QLabel(text, parent);
    QFont f = label->font();
    f.setBold(bold);
    label->setFont(f);
    label->adjustSize();
    label->move(at);
    return label;
}

QWidget *clientArea(QWidget *parent, QSize size) {
    auto *client = new QWidget(parent);
    client->setFixedSize(size);
    client->setAutoFillBackground(true);
    QPalette face = client->palette();
    face.setColor(QPalette::Window, ToQColor(clBtnFace));
    client->setPalette(face);
    return client;
}

} // namespace gallery
