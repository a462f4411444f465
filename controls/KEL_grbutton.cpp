#include "KEL_grbutton.h"

#include "KEL_accessible.h"
#include "KEL_outline.h"
#include "numeric.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QShortcut>

#include <algorithm>

namespace {

int horizontalFlag(TKEL_grbutton::TAlignment alignment) {
    switch (alignment) {
    case TKEL_grbutton::taLeftJustify:
        return Qt::AlignLeft;
    case TKEL_grbutton::taRightJustify:
        return Qt::AlignRight;
    case TKEL_grbutton::taCenter:
        break;
    }
    return Qt::AlignHCenter;
}

// The glyph with every pixel of its top-left pixel's colour made transparent, so the face
// shows through there.
QImage keyedGlyph(const QImage &glyph) {
    QImage keyed = glyph.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = keyed.pixel(0, 0) & RGB_MASK;
    for (int y = 0; y < keyed.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x) {
            if ((line[x] & RGB_MASK) == key)
                line[x] = 0;
        }
    }
    return keyed;
}

} // namespace

TKEL_grbutton::TKEL_grbutton(QWidget *parent) : QWidget(parent) {
    InstallKelAccessibility();
    resize(80, 22);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QWidget::setFont(font_.toQFont());
    fontMouseOver_ = font_;
}

QString TKEL_grbutton::Version() {
    return QStringLiteral("r1.04/quillet-controls@quillet.org");
}

void TKEL_grbutton::setCaption(const QString &caption) {
    caption_ = caption;
    NotifyAccessibleNameChanged(this);
    update();
}

void TKEL_grbutton::setLedExists(bool on) {
    if (ledExists_ == on)
        return;
    ledExists_ = on;
    update();
}

void TKEL_grbutton::setLedState(bool lit) {
    if (ledState_ == lit)
        return;
    ledState_ = lit;
    update();
}

void TKEL_grbutton::setLedColorOn(TColor c) {
    if (ledColorOn_ == c)
        return;
    ledColorOn_ = c;
    update();
}

void TKEL_grbutton::setLedStyle(tledstyle style) {
    if (ledStyle_ == style)
        return;
    ledStyle_ = style;
    update();
}

void TKEL_grbutton::setLedPosition(tledposition position) {
    if (ledPosition_ == position)
        return;
    ledPosition_ = position;
    update();
}

void TKEL_grbutton::setLedColorOff(TColor c) {
    if (ledColorOff_ == c)
        return;
    ledColorOff_ = c;
    update();
}

void TKEL_grbutton::setColor(TColor c) {
    color_ = c;
    update();
}

void TKEL_grbutton::setColorBorder(TColor c) {
    colorBorder_ = c;
    update();
}

void TKEL_grbutton::setGlyph(const QImage &glyph) {
    glyph_ = glyph;
    update();
}

void TKEL_grbutton::setFont(const KelFont &font) {
    if (font_ == font)
        return;
    font_ = font;
    if (fontSynchronize_)
        fontMouseOver_.Name = font_.Name;
    QWidget::setFont(font_.toQFont());
    update();
}

// A font value cannot be the owned font itself, so every assignment copies and repaints.
void TKEL_grbutton::setFontMouseOver(const KelFont &font) {
    fontMouseOver_ = font;
    if (fontSynchronize_)
        fontMouseOver_.Name = font_.Name;
    update();
}

// While synchronised, the mouse-over font carries the name of Font (and only the name);
// kept up to date here so that painting never has to change it.
void TKEL_grbutton::setFontSynchronize(bool on) {
    fontSynchronize_ = on;
    if (fontSynchronize_)
        fontMouseOver_.Name = font_.Name;
}

void TKEL_grbutton::setShowCaption(bool on) {
    showCaption_ = on;
    update();
}

void TKEL_grbutton::setWordWrap(bool on) {
    if (wordWrap_ == on)
        return;
    wordWrap_ = on;
    update();
}

void TKEL_grbutton::setAlignmentV(tvalignment alignment) {
    if (alignmentV_ == alignment)
        return;
    alignmentV_ = alignment;
    update();
}

void TKEL_grbutton::setAlignment(TAlignment alignment) {
    if (alignment_ == alignment)
        return;
    alignment_ = alignment;
    update();
}

void TKEL_grbutton::setBorderWidth(int width) {
    width = std::max(width, 0);
    if (borderWidth_ == width)
        return;
    borderWidth_ = width;
    update();
}

// Choosing hints for this button stops it from following its parent's choice.
void TKEL_grbutton::setShowHint(bool on) {
    showHint_ = on;
    parentShowHint_ = false;
}

bool TKEL_grbutton::hintsShown() const {
    if (parentShowHint_ && parentWidget()) {
        const QVariant inherited = parentWidget()->property("ShowHint");
        if (inherited.isValid())
            return inherited.toBool();
    }
    return showHint_;
}

void TKEL_grbutton::Click() {
    emit OnClick();
    if (enabled_ && ledChangeOnClick_)
        ledState_ = !ledState_; // shown by the repaint of the release that follows
}

QKeySequence TKEL_grbutton::Shortcut() const {
    return shortcut_ ? shortcut_->key() : QKeySequence();
}

void TKEL_grbutton::setShortcut(const QKeySequence &keys) {
    if (keys == Shortcut())
        return;
    if (shortcut_ == nullptr) {
        shortcut_ = new QShortcut(this);
        connect(shortcut_, &QShortcut::activated, this, &TKEL_grbutton::Click);
    }
    shortcut_->setKey(keys);
    update();
}

QString TKEL_grbutton::DisplayCaption() const {
    // A caption that marks a letter itself keeps its own mark.
    if (caption_.contains(QLatin1Char('&')) || Shortcut().count() != 1)
        return caption_;
    const QKeyCombination keys = Shortcut()[0];
    if (keys.keyboardModifiers() != Qt::AltModifier || keys.key() < Qt::Key_A ||
        keys.key() > Qt::Key_Z)
        return caption_;
    const QChar letter(QLatin1Char(char('a' + (keys.key() - Qt::Key_A))));
    const qsizetype at = caption_.indexOf(letter, 0, Qt::CaseInsensitive);
    if (at < 0)
        return caption_;
    return QString(caption_).insert(at, QLatin1Char('&'));
}

QRect TKEL_grbutton::CaptionRect(tvalignment alignment, QSize size, int borderWidth, int textHeight,
                                 int clipTop) {
    const int w = size.width();
    const int h = size.height();
    int top = borderWidth;
    int bottom = h - borderWidth;
    switch (alignment) {
    case va_top:
        bottom = clipTop + textHeight + 1;
        break;
    case va_center:
        top = int(NearestInt(h / 2.0L - textHeight / 2.0L));
        bottom = int(NearestInt(h / 2.0L + textHeight / 2.0L));
        break;
    case va_bottom:
        top = h - borderWidth - textHeight;
        break;
    }
    return QRect(QPoint(borderWidth, top), QPoint(w - borderWidth - 1, bottom - 1));
}

QRect TKEL_grbutton::LedRect(tledposition position, QSize size) {
    const int left = position == lpright ? size.width() - 12 : 4;
    const int top = int(NearestInt(size.height() / 2.0L - 4));
    const int bottom = int(NearestInt(size.height() / 2.0L + 4));
    return QRect(QPoint(left, top), QPoint(left + 7, bottom - 1));
}

bool TKEL_grbutton::event(QEvent *event) {
    switch (event->type()) {
    case QEvent::ParentChange:
        // A button placed on a window starts out captioned with its own name.
        if (parentWidget())
            caption_ = objectName();
        break;
    case QEvent::ToolTip:
        if (!hintsShown()) {
            event->ignore();
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void TKEL_grbutton::paintEvent(QPaintEvent *event) {
    QPainter painter(this);
    const int bw = borderWidth_;
    const QColor face = ToQColor(over_ ? (down_ ? colorDown_ : colorOver_) : color_);
    painter.fillRect(QRect(QPoint(bw, bw), QPoint(width() - bw - 1, height() - bw - 1)), face);
    if (!glyph_.isNull())
        drawGlyph(painter);
    if (showCaption_)
        drawCaption(painter, face, event->rect().top());
    if (ledExists_)
        drawLed(painter);
    const int inset = bw / 2;
    DrawOutline(painter,
                QRect(QPoint(inset, inset), QPoint(width() - inset - 1, height() - inset - 1)), bw,
                ToQColor(colorBorder_));
}

// At its own size, one pixel right of and below the centre.
void TKEL_grbutton::drawGlyph(QPainter &painter) const {
    const int left = width() / 2 - glyph_.width() / 2 + 1;
    const int top = height() / 2 - glyph_.height() / 2 + 1;
    painter.drawImage(QPoint(left, top), keyedGlyph(glyph_));
}

// The text cells are filled with the face colour, so the caption hides a glyph behind it.
void TKEL_grbutton::drawCaption(QPainter &painter, const QColor &face, int clipTop) const {
    const KelFont &font = over_ ? fontMouseOver_ : font_;
    painter.setFont(font.toQFont());
    painter.setPen(font.qcolor());
    painter.setBackground(face);
    painter.setBackgroundMode(Qt::OpaqueMode);
    int flags = horizontalFlag(alignment_) | Qt::AlignTop | Qt::TextShowMnemonic;
    if (wordWrap_)
        flags |= Qt::TextWordWrap;
    const int bw = borderWidth_;
    const QRect faceRect(QPoint(bw, bw), QPoint(width() - bw - 1, height() - bw - 1));
    const QString text = DisplayCaption();
    const int textHeight = painter.boundingRect(faceRect, flags, text).height();
    const QRect box = CaptionRect(alignmentV_, size(), bw, textHeight, clipTop);
    painter.drawText(box, flags, text);
    painter.setBackgroundMode(Qt::TransparentMode);
}

// The elliptic lamp is outlined in the border colour.
void TKEL_grbutton::drawLed(QPainter &painter) const {
    const QRect box = LedRect(ledPosition_, size());
    const QColor lamp = ToQColor(ledState_ ? ledColorOn_ : ledColorOff_);
    if (ledStyle_ == lssquare) {
        painter.fillRect(box, lamp);
        return;
    }
    painter.setPen(QPen(ToQColor(colorBorder_), 1));
    painter.setBrush(lamp);
    painter.drawEllipse(box.adjusted(0, 0, -1, -1));
}

void TKEL_grbutton::pressed(QMouseEvent *event, bool armClick) {
    emit OnMouseDown(event->button(), event->modifiers(), event->position().toPoint());
    if (event->button() != Qt::LeftButton)
        return;
    clickArmed_ = armClick;
    down_ = true;
    update();
}

void TKEL_grbutton::mousePressEvent(QMouseEvent *event) {
    pressed(event, true);
}

// The second press of a double click looks pressed but raises no click.
void TKEL_grbutton::mouseDoubleClickEvent(QMouseEvent *event) {
    pressed(event, false);
}

void TKEL_grbutton::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton && clickArmed_) {
        clickArmed_ = false;
        if (rect().contains(event->position().toPoint()))
            Click();
    }
    emit OnMouseUp(event->button(), event->modifiers(), event->position().toPoint());
    if (!down_)
        return;
    down_ = false;
    update();
}

// While a mouse button is held the widget keeps the mouse grab and hears of no leaving or
// coming back: the pointer's position tells whether it is over the button.
void TKEL_grbutton::mouseMoveEvent(QMouseEvent *event) {
    if (event->buttons() != Qt::NoButton) {
        const bool over = rect().contains(event->position().toPoint());
        if (over != over_) {
            over_ = over;
            update();
        }
    }
    emit OnMouseMove(event->modifiers(), event->position().toPoint());
}

void TKEL_grbutton::enterEvent(QEnterEvent *) {
    over_ = true;
    update();
    emit OnMouseEnter();
}

void TKEL_grbutton::leaveEvent(QEvent *) {
    over_ = false;
    update();
    emit OnMouseLeave();
}

// A window hidden under the pointer hears of no leaving on every platform; once hidden the
// button is no longer under the mouse, so it must not come back with the mouse-over look.
void TKEL_grbutton::hideEvent(QHideEvent *event) {
    if (over_)
        leaveEvent(event);
    QWidget::hideEvent(event);
}
