#pragma once
// A text box with three input modes (free text, whole numbers, decimal numbers) that drops
// keys which cannot belong to a number and cleans its text up on Enter and on leaving, and
// that shows one look while focused, one while the mouse is over it and one otherwise.
#include "KEL_common.h"

#include <QPointer>
#include <QWidget>

class QLineEdit;
class QPlainTextEdit;

class TKEL_edit : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString Version READ Version CONSTANT)
    Q_PROPERTY(tkeleditmode EditMode READ EditMode WRITE setEditMode)
    Q_PROPERTY(int Decimals READ Decimals WRITE setDecimals)
    Q_PROPERTY(bool Wordwrap READ Wordwrap WRITE setWordwrap)
    Q_PROPERTY(TAlignment Alignment READ Alignment WRITE setAlignment)
    Q_PROPERTY(int ColorIn READ ColorIn WRITE setColorIn)
    Q_PROPERTY(int ColorOut READ ColorOut WRITE setColorOut)
    Q_PROPERTY(bool Multiline READ Multiline WRITE setMultiline)
    Q_PROPERTY(int ColorMouse READ ColorMouse WRITE setColorMouse)
    Q_PROPERTY(bool ValueRange READ ValueRange WRITE setValueRange)
    Q_PROPERTY(double ValueMin READ ValueMin WRITE setValueMin)
    Q_PROPERTY(double ValueMax READ ValueMax WRITE setValueMax)
    Q_PROPERTY(int Color READ Color WRITE setColor)
    Q_PROPERTY(KelFont Font READ Font WRITE setFont)
    Q_PROPERTY(KelFont FontMouseOver READ FontMouseOver WRITE setFontMouseOver)
    Q_PROPERTY(KelFont FontEditing READ FontEditing WRITE setFontEditing)
    Q_PROPERTY(bool FontSynchronize READ FontSynchronize WRITE setFontSynchronize)
    Q_PROPERTY(QString Text READ Text WRITE setText NOTIFY OnChange)
public:
    enum tkeleditmode { mNumEdit, mFloatEdit, mTextEdit };
    Q_ENUM(tkeleditmode)
    enum TAlignment { taLeftJustify, taRightJustify, taCenter };
    Q_ENUM(TAlignment)

    explicit TKEL_edit(QWidget *parent = nullptr);
    ~TKEL_edit() override;

    static QString Version();

    tkeleditmode EditMode() const { return editMode_; }
    void setEditMode(tkeleditmode mode);
    int Decimals() const { return decimals_; }
    void setDecimals(int decimals);
    bool Wordwrap() const { return wordwrap_; }
    void setWordwrap(bool wrap);
    TAlignment Alignment() const { return alignment_; }
    void setAlignment(TAlignment alignment);
    bool Multiline() const { return multiline_; }
    void setMultiline(bool multiline);

    TColor ColorIn() const { return colorIn_; }
    void setColorIn(TColor c);
    TColor ColorOut() const { return colorOut_; }
    void setColorOut(TColor c);
    TColor ColorMouse() const { return colorMouse_; }
    void setColorMouse(TColor c);
    TColor Color() const { return color_; }
    void setColor(TColor c);

    bool ValueRange() const { return valueRange_; }
    void setValueRange(bool on) { valueRange_ = on; }
    double ValueMin() const { return valueMin_; }
    void setValueMin(double v);
    double ValueMax() const { return valueMax_; }
    void setValueMax(double v);

    KelFont Font() const { return font_; }
    using QWidget::setFont;
    void setFont(const KelFont &f);
    KelFont FontMouseOver() const { return fontMouseOver_; }
    void setFontMouseOver(const KelFont &f);
    KelFont FontEditing() const { return fontEditing_; }
    void setFontEditing(const KelFont &f);
    bool FontSynchronize() const { return fontSynchronize_; }
    void setFontSynchronize(bool on);

    QString Text() const;
    void setText(const QString &text);

    // Cleans the text up for the current mode; see the mode rules in the source.
    void ValidateText();
    // The whole text as a whole number; 0 when it is empty or not a number.
    int IntegerValue() const;

    // The inner editor that has the keyboard focus: a QLineEdit, or a QPlainTextEdit when
    // Multiline is on.
    QWidget *editor() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void OnChange();
    void OnEnter();
    void OnExit();
    void OnMouseEnter();
    void OnMouseLeave();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void createEditor();
    void applyLook();
    void applyAlignment();
    bool filterKey(QKeyEvent *event);
    void focusEntered();
    void focusLeft();

    tkeleditmode editMode_ = mTextEdit;
    int decimals_ = 2;
    bool wordwrap_ = false;
    TAlignment alignment_ = taLeftJustify;
    bool multiline_ = false;
    TColor colorIn_ = clLime;
    TColor colorOut_ = clWhite;
    TColor colorMouse_ = clYellow;
    TColor color_ = clWhite;
    bool over_ = false;
    // The box shows the focused look: it holds the focus of its window, which stays while
    // another window is active.
    bool focused_ = false;
    double valueMin_ = 0;
    double valueMax_ = 0;
    bool valueRange_ = false;
    bool fontSynchronize_ = true;
    KelFont font_;
    KelFont fontEditing_;
    KelFont fontMouseOver_;
    KelFont savedFont_;

    QPointer<QLineEdit> line_;
    QPointer<QPlainTextEdit> plain_;
};

constexpr TKEL_edit::tkeleditmode mNumEdit = TKEL_edit::mNumEdit;
constexpr TKEL_edit::tkeleditmode mFloatEdit = TKEL_edit::mFloatEdit;
constexpr TKEL_edit::tkeleditmode mTextEdit = TKEL_edit::mTextEdit;
