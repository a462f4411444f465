#include "gallerywindow.h"

#include "formbuild.h"
#include "sections.h"

#include <algorithm>

namespace {

constexpr int headingHeight = 20;

// A heading and below it a client area of the given size at `at`; returns the client area.
QWidget *section(QWidget *window, const QString &heading, QPoint at, QSize size) {
    gallery::plainLabel(window, heading, at, true);
    QWidget *client = gallery::clientArea(window, size);
    client->move(at + QPoint(0, headingHeight));
    return client;
}

} // namespace

GalleryWindow::GalleryWindow(QWidget *parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Quillet controls gallery"));
    setFont(gallery::tahoma().toQFont());

    constexpr int gap = 16;
    const QPoint mainAt(gap, 8);
    const QPoint updateAt(mainAt.x() + gallery::mainWindowSize.width() + gap, 8);
    const QPoint aboutAt(updateAt.x(),
                         updateAt.y() + headingHeight + gallery::updateWindowSize.height() + gap);
    const QPoint variantsAt(updateAt.x(),
                            aboutAt.y() + headingHeight + gallery::aboutWindowSize.height() + gap);

    gallery::buildMainWindowSection(
        section(this, QStringLiteral("Main window"), mainAt, gallery::mainWindowSize));
    gallery::buildUpdateWindowSection(
        section(this, QStringLiteral("Update window"), updateAt, gallery::updateWindowSize));
    gallery::buildAboutWindowSection(
        section(this, QStringLiteral("About window"), aboutAt, gallery::aboutWindowSize));
    gallery::buildVariantsSection(
        section(this, QStringLiteral("Other settings"), variantsAt, gallery::variantsSize));

    const int right = variantsAt.x() + gallery::variantsSize.width() + gap;
    const int bottom = std::max(mainAt.y() + headingHeight + gallery::mainWindowSize.height(),
                                variantsAt.y() + headingHeight + gallery::variantsSize.height()) +
                       gap;
    setFixedSize(right, bottom);
}
