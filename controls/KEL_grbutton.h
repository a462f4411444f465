#pragma once
// A flat push button that paints itself: a face in three colours (normal, mouse over,
// pressed), an optional glyph with a transparent key colour, a caption placed horizontally
// and vertically with optional word wrap, an optional LED lamp and a border.
#include "KEL_common.h"

#include <QImage>
#include <QKeySequence>
#include <QWidget>

class QShortcut;

class TKEL_grbutton : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Version READ Version CONSTANT)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(bool LedExists READ LedExists WRITE setLedExists)
    Q_PROPERTY(bool LedState READ LedState WRITE setLedState)
    Q_PROPERTY(bool LedChangeOnClick READ LedChangeOnClick WRITE setLedChangeOnClick)
    Q_PROPERTY(int LedColorOn READ LedColorOn WRITE setLedColorOn)
    Q_PROPERTY(tledstyle LedStyle READ LedStyle WRITE setLedStyle)
    Q_PROPERTY(tledposition LedPosition READ LedPosition WRITE setLedPosition)
    Q_PROPERTY(int LedColorOff READ LedColorOff WRITE setLedColorOff)
    Q_PROPERTY(int Color READ Color WRITE setColor)
    Q_PROPERTY(int ColorBorder READ ColorBorder WRITE setColorBorder)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabled)
    Q_PROPERTY(QImage Glyph READ Glyph WRITE setGlyph)
    Q_PROPERTY(KelFont FontMouseOver READ FontMouseOver WRITE setFontMouseOver)
    Q_PROPERTY(int ColorOver READ ColorOver WRITE setColorOver)
    Q_PROPERTY(int ColorDown READ ColorDown WRITE setColorDown)
    Q_PROPERTY(bool ShowCaption READ ShowCaption WRITE setShowCaption)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE setWordWrap)
    Q_PROPERTY(tvalignment AlignmentV READ AlignmentV WRITE setAlignmentV)
    Q_PROPERTY(bool FontSynchronize READ FontSynchronize WRITE setFontSynchronize)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE setBorderWidth)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE setShowHint)
    Q_PROPERTY(bool ParentShowHint READ ParentShowHint WRITE setParentShowHint)
    Q_PROPERTY(KelFont Font READ Font WRITE setFont)
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE setAlignment)
public:
    enum tledposition { lpleft, lpright };
    Q_ENUM(tledposition)
    enum tledstyle { lssquare, lsellipse };
    Q_ENUM(tledstyle)
    enum tvalignment { va_top, va_center, va_bottom };
    Q_ENUM(tvalignment)
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)

    explicit TKEL_grbutton(QWidget *parent = nullptr);

    static QString Version();

    QString Caption() const { return caption_; }
    void setCaption(const QString &caption);
    bool LedExists() const { return ledExists_; }
    void setLedExists(bool on);
    bool LedState() const { return ledState_; }
    void setLedState(bool lit);
    bool LedChangeOnClick() const { return ledChangeOnClick_; }
    void setLedChangeOnClick(bool on) { ledChangeOnClick_ = on; }
    TColor LedColorOn() const { return ledColorOn_; }
    void setLedColorOn(TColor c);
    tledstyle LedStyle() const { return ledStyle_; }
    void setLedStyle(tledstyle style);
    tledposition LedPosition() const { return ledPosition_; }
    void setLedPosition(tledposition position);
    TColor LedColorOff() const { return ledColorOff_; }
    void setLedColorOff(TColor c);

    TColor Color() const { return color_; }
    void setColor(TColor c);
    TColor ColorBorder() const { return colorBorder_; }
    void setColorBorder(TColor c);
    TColor ColorOver() const { return colorOver_; }
    void setColorOver(TColor c) { colorOver_ = c; }
    TColor ColorDown() const { return colorDown_; }
    void setColorDown(TColor c) { colorDown_ = c; }

    // The button's own flag: the widget stays enabled and keeps clicking; the flag only
    // decides whether a click toggles the LED.
    bool Enabled() const { return enabled_; }
    void setEnabled(bool on) { enabled_ = on; }

    QImage Glyph() const { return glyph_; }
    void setGlyph(const QImage &glyph);

    KelFont Font() const { return font_; }
    using QWidget::setFont;
    void setFont(const KelFont &font);
    KelFont FontMouseOver() const { return fontMouseOver_; }
    void setFontMouseOver(const KelFont &font);
    bool FontSynchronize() const { return fontSynchronize_; }
    void setFontSynchronize(bool on);

    bool ShowCaption() const { return showCaption_; }
    void setShowCaption(bool on);
    bool WordWrap() const { return wordWrap_; }
    void setWordWrap(bool on);
    tvalignment AlignmentV() const { return alignmentV_; }
    void setAlignmentV(tvalignment alignment);
    TAlignment Alignment() const { return alignment_; }
    void setAlignment(TAlignment alignment);
    int BorderWidth() const { return borderWidth_; }
    void setBorderWidth(int width);

    bool ShowHint() const { return showHint_; }
    void setShowHint(bool on);
    bool ParentShowHint() const { return parentShowHint_; }
    void setParentShowHint(bool on) { parentShowHint_ = on; }

    // What a left-button release inside after a press inside does; callable from code.
    void Click();

    // Keys that click the button from anywhere in its window, since it takes no focus; for
    // Alt + a letter of the caption, that letter is underlined. Empty for none.
    QKeySequence Shortcut() const;
    void setShortcut(const QKeySequence &keys);
    // The caption as drawn: "&" marks the letter to underline.
    QString DisplayCaption() const;

    // The rectangle the caption is drawn into for a text `textHeight` high; `clipTop` is the
    // top of the area being repainted, which the top alignment measures from.
    static QRect CaptionRect(tvalignment alignment, QSize size, int borderWidth, int textHeight,
                             int clipTop);
    // The 8 by 8 box of the LED lamp.
    static QRect LedRect(tledposition position, QSize size);

signals:
    void OnClick();
    void OnMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void OnMouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void OnMouseMove(Qt::KeyboardModifiers modifiers, QPoint pos);
    void OnMouseEnter();
    void OnMouseLeave();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void pressed(QMouseEvent *event, bool armClick);
    bool hintsShown() const;
    void drawGlyph(QPainter &painter) const;
    void drawCaption(QPainter &painter, const QColor &face, int clipTop) const;
    void drawLed(QPainter &painter) const;

    QImage glyph_;
    QString caption_;
    QShortcut *shortcut_ = nullptr;
    bool wordWrap_ = false;
    TColor color_ = clBtnFace;
    TColor colorBorder_ = clBlack;
    KelFont font_;
    KelFont fontMouseOver_;
    TColor colorOver_ = clSilver;
    TColor colorDown_ = clGray;
    bool fontSynchronize_ = true;
    bool enabled_ = true;
    bool showCaption_ = true;
    bool over_ = false;
    bool down_ = false;
    // Set by a single left press, consumed by the next left release: a click needs both.
    bool clickArmed_ = false;
    bool ledExists_ = false;
    TColor ledColorOn_ = clGreen;
    TColor ledColorOff_ = clRed;
    bool ledState_ = false;
    tledposition ledPosition_ = lpright;
    tledstyle ledStyle_ = lsellipse;
    bool ledChangeOnClick_ = false;
    tvalignment alignmentV_ = va_center;
    TAlignment alignment_ = taCenter;
    int borderWidth_ = 1;
    bool showHint_ = false;
    bool parentShowHint_ = true;
};
