#pragma once
// A text label with a drop shadow in a second font, a text colour of its own while the mouse
// is over it, and a command line that a click starts.
#include "KEL_common.h"

#include <QLabel>

class TKEL_label : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QString Version READ Version CONSTANT)
    Q_PROPERTY(int ColorMouse READ ColorMouse WRITE setColorMouse)
    Q_PROPERTY(bool Shadow READ Shadow WRITE setShadow)
    Q_PROPERTY(int ShadowOffset READ ShadowOffset WRITE setShadowOffset)
    Q_PROPERTY(QString GotoUrl READ GotoUrl WRITE setGotoUrl)
    Q_PROPERTY(KelFont Font READ Font WRITE setFont)
    Q_PROPERTY(KelFont FontShadow READ FontShadow WRITE setFontShadow)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(int Color READ Color WRITE setColor)
    Q_PROPERTY(bool Transparent READ Transparent WRITE setTransparent)
    Q_PROPERTY(talignment Alignment READ Alignment WRITE setAlignment)
    Q_PROPERTY(ttextlayout Layout READ Layout WRITE setLayout)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE setAutoSize)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE setWordWrap)

public:
    enum talignment { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(talignment)
    enum ttextlayout { tlTop, tlCenter, tlBottom };
    Q_ENUM(ttextlayout)

    explicit TKEL_label(QWidget *parent = nullptr);

    QString Version() const;
    TColor ColorMouse() const { return m_colorMouse; }
    void setColorMouse(TColor c) { m_colorMouse = c; }
    bool Shadow() const { return m_shadow; }
    void setShadow(bool on) { m_shadow = on; }
    // The shadow sits -ShadowOffset pixels right of and below the caption.
    int ShadowOffset() const { return m_shadowOffset; }
    void setShadowOffset(int offset) { m_shadowOffset = offset; }
    QString GotoUrl() const { return m_gotoUrl; }
    void setGotoUrl(const QString &command) { m_gotoUrl = command; }
    const KelFont &Font() const { return m_font; }
    using QLabel::setFont;
    void setFont(const KelFont &f);
    const KelFont &FontShadow() const { return m_fontShadow; }
    void setFontShadow(const KelFont &f);
    QString Caption() const { return text(); }
    void setCaption(const QString &caption);
    TColor Color() const { return m_color; }
    void setColor(TColor c);
    bool Transparent() const { return m_transparent; }
    void setTransparent(bool on);
    talignment Alignment() const { return m_alignment; }
    using QLabel::setAlignment;
    void setAlignment(talignment a);
    ttextlayout Layout() const { return m_layout; }
    void setLayout(ttextlayout l);
    bool AutoSize() const { return m_autoSize; }
    void setAutoSize(bool on);
    bool WordWrap() const { return wordWrap(); }
    void setWordWrap(bool on);

    QSize sizeHint() const override;
    int heightForWidth(int width) const override;

signals:
    void OnClick();
    // Raised after the text has taken the mouse colour.
    void OnMouseEnter();
    // Raised after the text has got its own colour back.
    void OnMouseLeave();

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void Click();
    void setTextColor(TColor c);
    void applyAlignment();
    void fitToText();
    int captionFlags() const;
    QSize captionSize(int width) const;

    bool m_shadow = true;
    KelFont m_fontShadow;
    int m_shadowOffset = -2;
    TColor m_colorMouse = clBlue;
    TColor m_savedColor = clBlack;
    QString m_gotoUrl;
    KelFont m_font;
    TColor m_color = clBtnFace;
    bool m_transparent = true;
    talignment m_alignment = taLeftJustify;
    ttextlayout m_layout = tlTop;
    bool m_autoSize = true;
    bool m_leftPressed = false;
    bool m_over = false;
};
