#include "KEL_progressbar.h"

#include "KEL_accessible.h"
#include "KEL_edittext.h"
#include "KEL_outline.h"
#include "numeric.h"

#include <QLocale>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kBands = 256;

int nearest(double v) {
    return int(NearestInt(v));
}

} // namespace

TKEL_progressbar::TKEL_progressbar(QWidget *parent) : QWidget(parent) {
    InstallKelAccessibility();
    resize(145, 17);
    // Every pixel is painted from the off-screen picture: nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    font_.Color = clYellow;
    QWidget::setFont(font_.toQFont());
}

QString TKEL_progressbar::Version() {
    return QStringLiteral("r1.03/quillet-controls@quillet.org");
}

// Stored first, then pulled under Max and over Min, so with Min above Max the result is Min.
void TKEL_progressbar::setPosition(double position) {
    if (!std::isfinite(position) || position == position_)
        return;
    position_ = position;
    if (position_ > max_)
        position_ = max_;
    if (position_ < min_)
        position_ = min_;
    NotifyAccessibleValueChanged(this, position_);
    update();
}

void TKEL_progressbar::setMin(double min) {
    if (!std::isfinite(min) || min == min_)
        return;
    min_ = min;
    if (position_ < min_)
        position_ = min_;
    update();
}

void TKEL_progressbar::setMax(double max) {
    if (!std::isfinite(max) || max == max_)
        return;
    max_ = max;
    if (position_ > max_)
        position_ = max_;
    update();
}

void TKEL_progressbar::setBackColor(TColor c) {
    if (backColor_ == c)
        return;
    backColor_ = c;
    update();
}

void TKEL_progressbar::setStartColor(TColor c) {
    if (startColor_ == c)
        return;
    startColor_ = c;
    update();
}

void TKEL_progressbar::setEndColor(TColor c) {
    if (endColor_ == c)
        return;
    endColor_ = c;
    update();
}

void TKEL_progressbar::setBorderColor(TColor c) {
    if (borderColor_ == c)
        return;
    borderColor_ = c;
    update();
}

void TKEL_progressbar::setBorderWidth(int width) {
    width = std::max(width, 0);
    if (borderWidth_ == width)
        return;
    borderWidth_ = width;
    update();
}

void TKEL_progressbar::setVertical(bool on) {
    if (vertical_ == on)
        return;
    vertical_ = on;
    update();
}

void TKEL_progressbar::setShowText(bool on) {
    if (showText_ == on)
        return;
    showText_ = on;
    update();
}

void TKEL_progressbar::setAddToText(const QString &suffix) {
    if (addToText_ == suffix)
        return;
    addToText_ = suffix;
    update();
}

void TKEL_progressbar::setCaption(const QString &caption) {
    if (caption_ == caption)
        return;
    caption_ = caption;
    update();
}

void TKEL_progressbar::setFont(const KelFont &font) {
    if (font_ == font)
        return;
    font_ = font;
    QWidget::setFont(font_.toQFont());
    update();
}

void TKEL_progressbar::setAlignment(TAlignment alignment) {
    if (alignment_ == alignment)
        return;
    alignment_ = alignment;
    update();
}

QString TKEL_progressbar::DisplayText() const {
    if (!showText_)
        return caption_;
    const QString point = QLocale().decimalPoint();
    return keledit::FormatFixed(position_, 2, point.isEmpty() ? u'.' : point.front()) + addToText_;
}

// The share of the range that is filled, from 0 to 1; an empty range shows an empty bar.
double TKEL_progressbar::fillFraction() const {
    if (max_ == min_)
        return 0.0;
    const double f = (position_ - min_) / std::fabs(max_ - min_);
    return std::isfinite(f) ? std::clamp(f, 0.0, 1.0) : 0.0;
}

void TKEL_progressbar::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    update();
}

void TKEL_progressbar::paintEvent(QPaintEvent *) {
    if (width() <= 0 || height() <= 0)
        return;
    QPainter(this).drawImage(0, 0, picture(devicePixelRatioF()));
}

QImage TKEL_progressbar::picture(qreal scale) const {
    const int w = width();
    const int h = height();
    QImage image(QSize(w, h) * scale, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    QPainter painter(&image);
    drawGradient(painter);

    const double f = fillFraction();
    const QRect unfilled = vertical_ ? QRect(QPoint(0, 0), QPoint(w - 1, nearest((1 - f) * h) - 1))
                                     : QRect(QPoint(nearest(w * f), 0), QPoint(w - 1, h - 1));
    if (unfilled.isValid())
        painter.fillRect(unfilled, ToQColor(backColor_));

    const int bw = borderWidth_;
    const int inset = bw / 2;
    DrawOutline(painter, QRect(QPoint(inset, inset), QPoint(w - inset, h - inset)), bw,
                ToQColor(borderColor_));
    drawText(painter);
    return image;
}

// 256 bands from StartColor to EndColor over the whole bar, shifted right and down by the
// border width; the position only decides how much of it stays uncovered.
void TKEL_progressbar::drawGradient(QPainter &painter) const {
    const QColor start = ToQColor(startColor_);
    const QColor end = ToQColor(endColor_);
    const int dr = end.red() - start.red();
    const int dg = end.green() - start.green();
    const int db = end.blue() - start.blue();
    const int w = width();
    const int h = height();
    const int bw = borderWidth_;
    for (int k = 0; k < kBands; ++k) {
        const QColor band(start.red() + MulDiv(k, dr, 255), start.green() + MulDiv(k, dg, 255),
                          start.blue() + MulDiv(k, db, 255));
        if (vertical_) {
            const int j = 255 - k;
            const int top = MulDiv(j - 1, h, 255) + bw;
            const int bottom = MulDiv(j, h, 255) + bw;
            painter.fillRect(QRect(bw, top, w, bottom - top), band);
        } else {
            const int left = MulDiv(k - 1, w, 255) + bw;
            const int right = MulDiv(k, w, 255) + bw;
            painter.fillRect(QRect(left, bw, right - left, h), band);
        }
    }
}

void TKEL_progressbar::drawText(QPainter &painter) const {
    const QString text = DisplayText();
    if (text.isEmpty())
        return;
    const QFont font = font_.toQFont();
    const QFontMetrics metrics(font);
    const int th = metrics.height();
    const int tw = metrics.horizontalAdvance(text);
    const int w = width();
    const int bw = borderWidth_;
    int x = nearest(w / 2.0 - tw / 2.0);
    if (alignment_ == taLeftJustify)
        x = bw + 2;
    else if (alignment_ == taRightJustify)
        x = w - bw - 2 - tw;
    const int y = nearest(height() / 2.0 - th / 2.0);
    painter.setFont(font);
    painter.setPen(font_.qcolor());
    painter.drawText(QPoint(x, y + metrics.ascent()), text);
}
