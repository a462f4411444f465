#include "KEL_label.h"

#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QStyle>

namespace {

Qt::Alignment horizontalFlag(TKEL_label::talignment a) {
    static constexpr Qt::Alignment flags[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter};
    return flags[a];
}

} // namespace

TKEL_label::TKEL_label(QWidget *parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    m_font.Color = clBlack;
    QLabel::setFont(m_font.toQFont());
    setTextColor(m_font.Color);
    m_fontShadow = m_font;
    m_fontShadow.Color = clTeal;
    m_savedColor = m_font.Color;
    applyAlignment();
    fitToText();
}

QString TKEL_label::Version() const {
    return QStringLiteral("r1.01/quillet-controls@quillet.org");
}

void TKEL_label::setTextColor(TColor c) {
    m_font.Color = c;
    QPalette p = palette();
    p.setColor(QPalette::WindowText, ToQColor(c));
    setPalette(p);
}

void TKEL_label::setFont(const KelFont &f) {
    if (f == m_font)
        return;
    m_font = f;
    // Away from the mouse the new colour is the one to come back to (keeping an older one
    // would recolour a label whose colour was set equal to ColorMouse); under the mouse the
    // colour from before the mouse came stays the one to restore.
    if (!m_over)
        m_savedColor = m_font.Color;
    QLabel::setFont(m_font.toQFont());
    setTextColor(m_font.Color);
    fitToText();
    update();
}

void TKEL_label::setFontShadow(const KelFont &f) {
    if (&f == &m_fontShadow)
        return;
    m_fontShadow = f;
    update();
}

void TKEL_label::setCaption(const QString &caption) {
    if (caption == text())
        return;
    setText(caption);
    fitToText();
}

void TKEL_label::setColor(TColor c) {
    if (c == m_color)
        return;
    m_color = c;
    update();
}

void TKEL_label::setTransparent(bool on) {
    if (on == m_transparent)
        return;
    m_transparent = on;
    update();
}

void TKEL_label::setAlignment(talignment a) {
    if (a == m_alignment)
        return;
    m_alignment = a;
    applyAlignment();
}

void TKEL_label::setLayout(ttextlayout l) {
    if (l == m_layout)
        return;
    m_layout = l;
    applyAlignment();
}

void TKEL_label::applyAlignment() {
    static constexpr Qt::Alignment vertical[] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    QLabel::setAlignment(horizontalFlag(m_alignment) | vertical[m_layout]);
}

// An "&" underlines the character after it and "&&" shows one "&", as on the buttons.
int TKEL_label::captionFlags() const {
    int flags = int(alignment()) | Qt::TextShowMnemonic | Qt::TextExpandTabs;
    if (wordWrap())
        flags |= Qt::TextWordWrap;
    return flags;
}

QSize TKEL_label::captionSize(int width) const {
    return fontMetrics()
        .boundingRect(QRect(0, 0, width, 2000), captionFlags() & ~Qt::AlignVertical_Mask, text())
        .size();
}

QSize TKEL_label::sizeHint() const {
    return captionSize(2000);
}

int TKEL_label::heightForWidth(int width) const {
    return wordWrap() ? captionSize(width).height() : sizeHint().height();
}

void TKEL_label::setAutoSize(bool on) {
    if (on == m_autoSize)
        return;
    m_autoSize = on;
    fitToText();
}

void TKEL_label::setWordWrap(bool on) {
    if (on == wordWrap())
        return;
    QLabel::setWordWrap(on);
    fitToText();
}

// An auto-sized label takes the size of its text; with word wrap only its height follows.
void TKEL_label::fitToText() {
    if (!m_autoSize)
        return;
    if (wordWrap())
        resize(width(), heightForWidth(width()));
    else
        resize(sizeHint());
}

void TKEL_label::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    if (m_shadow) {
        // The shadow always wraps at words and starts at the top, whatever the label's own
        // wrapping and layout.
        const int flags = Qt::TextWordWrap | Qt::TextExpandTabs | Qt::TextShowMnemonic |
                          Qt::AlignTop | int(horizontalFlag(m_alignment));
        painter.setFont(m_fontShadow.toQFont());
        painter.setPen(m_fontShadow.qcolor());
        painter.drawText(rect().translated(-m_shadowOffset, -m_shadowOffset), flags, text());
    }
    // An opaque label covers its shadow with its background.
    if (!m_transparent)
        painter.fillRect(rect(), ToQColor(m_color));
    painter.setFont(font());
    style()->drawItemText(&painter, rect(), captionFlags(), palette(), isEnabled(), text(),
                          foregroundRole());
}

void TKEL_label::enterEvent(QEnterEvent *event) {
    QLabel::enterEvent(event);
    m_over = true;
    if (m_font.Color != m_colorMouse) {
        m_savedColor = m_font.Color;
        setTextColor(m_colorMouse);
        update();
    }
    emit OnMouseEnter();
}

void TKEL_label::leaveEvent(QEvent *event) {
    QLabel::leaveEvent(event);
    m_over = false;
    if (m_font.Color != m_savedColor) {
        setTextColor(m_savedColor);
        update();
    }
    emit OnMouseLeave();
}

void TKEL_label::mousePressEvent(QMouseEvent *event) {
    QLabel::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        m_leftPressed = true;
}

void TKEL_label::mouseReleaseEvent(QMouseEvent *event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !m_leftPressed)
        return;
    m_leftPressed = false;
    if (rect().contains(event->position().toPoint()))
        Click();
}

// A command that cannot start is ignored; the click is raised all the same.
void TKEL_label::Click() {
    QStringList arguments = QProcess::splitCommand(m_gotoUrl);
    if (!arguments.isEmpty()) {
        const QString program = arguments.takeFirst();
        QProcess::startDetached(program, arguments);
    }
    emit OnClick();
}
