#pragma once
// A progress bar that shows its filled share as a fixed 256-band colour gradient, covers
// the rest with a background colour, and draws a border and a line of text (the position
// with a suffix, or the caption). Each paint builds the picture off screen and copies it in
// one step, so quick position updates do not flicker.
#include "KEL_common.h"

#include <QWidget>

class TKEL_progressbar : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Version READ Version CONSTANT)
    Q_PROPERTY(double Position READ Position WRITE setPosition)
    Q_PROPERTY(double Min READ Min WRITE setMin)
    Q_PROPERTY(double Max READ Max WRITE setMax)
    Q_PROPERTY(int BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(int StartColor READ StartColor WRITE setStartColor)
    Q_PROPERTY(int EndColor READ EndColor WRITE setEndColor)
    Q_PROPERTY(bool ShowText READ ShowText WRITE setShowText)
    Q_PROPERTY(QString AddToText READ AddToText WRITE setAddToText)
    Q_PROPERTY(bool Vertical READ Vertical WRITE setVertical)
    Q_PROPERTY(int BorderWidth READ BorderWidth WRITE setBorderWidth)
    Q_PROPERTY(int BorderColor READ BorderColor WRITE setBorderColor)
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(KelFont Font READ Font WRITE setFont)
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE setAlignment)
public:
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)

    explicit TKEL_progressbar(QWidget *parent = nullptr);

    static QString Version();

    // Position, Min and Max ignore values that are not finite numbers.
    double Position() const { return position_; }
    void setPosition(double position);
    double Min() const { return min_; }
    void setMin(double min);
    double Max() const { return max_; }
    void setMax(double max);

    TColor BackColor() const { return backColor_; }
    void setBackColor(TColor c);
    TColor StartColor() const { return startColor_; }
    void setStartColor(TColor c);
    TColor EndColor() const { return endColor_; }
    void setEndColor(TColor c);
    TColor BorderColor() const { return borderColor_; }
    void setBorderColor(TColor c);
    // A negative width is taken as 0 (no border).
    int BorderWidth() const { return borderWidth_; }
    void setBorderWidth(int width);
    bool Vertical() const { return vertical_; }
    void setVertical(bool on);

    bool ShowText() const { return showText_; }
    void setShowText(bool on);
    QString AddToText() const { return addToText_; }
    void setAddToText(const QString &suffix);
    QString Caption() const { return caption_; }
    void setCaption(const QString &caption);
    KelFont Font() const { return font_; }
    using QWidget::setFont;
    void setFont(const KelFont &font);
    TAlignment Alignment() const { return alignment_; }
    void setAlignment(TAlignment alignment);

    // The text line: the position with two decimals in the user's number format and the
    // suffix when ShowText is on, the caption otherwise.
    QString DisplayText() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    double fillFraction() const;
    // At `scale` device pixels per pixel, so a high-density screen gets it sharp.
    QImage picture(qreal scale) const;
    void drawGradient(QPainter &painter) const;
    void drawText(QPainter &painter) const;

    double position_ = 20.0;
    double min_ = 0.0;
    double max_ = 100.0;
    QString addToText_ = QStringLiteral("%");
    TColor backColor_ = clBlack;
    TColor borderColor_ = clGray;
    int borderWidth_ = 1;
    TColor startColor_ = clLime;
    bool vertical_ = false;
    TColor endColor_ = clRed;
    bool showText_ = false;
    QString caption_;
    KelFont font_;
    TAlignment alignment_ = taCenter;
};
