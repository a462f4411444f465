#include "gallerywindow.h"

#include "KEL_glpanel.h"
#include "formbuild.h"
#include "sections.h"
#include "uabout.h"
#include "umain.h"
#include "uupdate.h"

#include <algorithm>

namespace {

constexpr int headingHeight = 20;
constexpr int gap = 16;

// A window of the program as a part of the gallery, under its heading: no frame of its own,
// the same controls, handlers and painting.
void embed(QWidget *gallery, QWidget *window, const QString &heading, QPoint at) {
    gallery::plainLabel(gallery, heading, at, true);
    window->setParent(gallery, Qt::Widget);
    window->move(at + QPoint(0, headingHeight));
}

} // namespace

GalleryWindow::GalleryWindow(QWidget *parent)
    : QWidget(parent),
      form1_(std::make_unique<TForm1>(settings_.filePath(QStringLiteral("Quillet.ini")))),
      about_(std::make_unique<Tfabout>()),
      update_(std::make_unique<Tfupdate>([this] { return about_->BuildNumber; })) {
    setWindowTitle(QStringLiteral("Quillet gallery"));
    setFont(gallery::tahoma().toQFont());

    form1_->AddFiles({QStringLiteral("/home/ann/photos/2026/beach/img01.jpg"),
                      QStringLiteral("/home/ann/photos/2026/beach/img02.jpg"),
                      QStringLiteral("/home/ann/photos/2026/beach/img03.jpg"),
                      QStringLiteral("/home/ann/photos/2026/garden/rose.jpeg"),
                      QStringLiteral("/home/ann/photos/2026/garden/tulips.jpeg")});
    // A window holding an OpenGL widget cannot even be shown without OpenGL.
    if (!TKEL_glpanel::PlatformShowsPanels()) {
        sceneAside_.reset(about_->KEL_glpanel1);
        sceneAside_->setParent(nullptr);
    }

    const QPoint mainAt(gap, 8);
    const QPoint updateAt(mainAt.x() + form1_->width() + gap, 8);
    const QPoint aboutAt(updateAt.x(), updateAt.y() + headingHeight + update_->height() + gap);
    const QPoint variantsAt(updateAt.x(), aboutAt.y() + headingHeight + about_->height() + gap);
    embed(this, form1_.get(), QStringLiteral("Main window"), mainAt);
    embed(this, update_.get(), QStringLiteral("Update window"), updateAt);
    embed(this, about_.get(), QStringLiteral("About window"), aboutAt);

    gallery::plainLabel(this, QStringLiteral("Other settings"), variantsAt, true);
    QWidget *variants = gallery::clientArea(this, gallery::variantsSize);
    variants->move(variantsAt + QPoint(0, headingHeight));
    gallery::buildVariantsSection(variants);

    const int right = variantsAt.x() + gallery::variantsSize.width() + gap;
    const int bottom = std::max(mainAt.y() + headingHeight + form1_->height(),
                                variantsAt.y() + headingHeight + gallery::variantsSize.height()) +
                       gap;
    setFixedSize(right, bottom);
}

GalleryWindow::~GalleryWindow() = default;
