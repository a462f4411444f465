#include "KEL_edit.h"

#include "KEL_accessible.h"
#include "KEL_edittext.h"
#include "intconv.h"

#include <QEnterEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTextOption>
#include <QValidator>

namespace {

const QChar kNoChar;

// A one-line box without automatic horizontal scrolling takes no more text than it shows.
class FitWidthValidator : public QValidator {
public:
    explicit FitWidthValidator(QLineEdit *edit) : QValidator(edit), edit_(edit) {}
    State validate(QString &input, int &) const override {
        // The frame, the editor's own 2-pixel side margins and the cursor.
        const QMargins m = edit_->textMargins();
        const int frame = edit_->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit_);
        const int room = edit_->width() - 2 * frame - 4 - m.left() - m.right() - 1;
        return edit_->fontMetrics().horizontalAdvance(input) <= room ? Acceptable : Invalid;
    }

private:
    QLineEdit *edit_;
};

// The character a key press delivers to an edit box: Enter and Backspace as control
// characters, Ctrl+letter as the matching control character; none for keys that only move
// the cursor or the focus.
QString typedText(const QKeyEvent *event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QString(QChar(13));
    case Qt::Key_Backspace:
        return QString(QChar(8));
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
    case Qt::Key_Escape:
        return {};
    default:
        break;
    }
    const auto mods = event->modifiers();
    if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier) && event->key() >= Qt::Key_A &&
        event->key() <= Qt::Key_Z)
        return QString(QChar(event->key() - Qt::Key_A + 1));
    return event->text();
}

// A context menu taking the focus for a moment, or another window becoming active (a
// message box, the About window), leaves the box focused within its own window.
bool movesFocusInWindow(const QFocusEvent *event) {
    return event->reason() != Qt::PopupFocusReason &&
           event->reason() != Qt::ActiveWindowFocusReason;
}

QChar localeDecimalPoint() {
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? QChar(u'.') : point.front();
}

} // namespace

TKEL_edit::TKEL_edit(QWidget *parent) : QWidget(parent) {
    InstallKelAccessibility();
    savedFont_ = fontEditing_ = fontMouseOver_ = font_;
    resize(80, 22);
    createEditor();
}

TKEL_edit::~TKEL_edit() = default;

QString TKEL_edit::Version() {
    return QStringLiteral("r1.08/quillet-controls@quillet.org");
}

void TKEL_edit::setEditMode(tkeleditmode mode) {
    if (mode == editMode_)
        return;
    editMode_ = mode;
    ValidateText();
    update();
}

void TKEL_edit::setDecimals(int decimals) {
    if (decimals == decimals_)
        return;
    decimals_ = decimals;
    ValidateText();
    update();
}

void TKEL_edit::setWordwrap(bool wrap) {
    if (wrap == wordwrap_)
        return;
    wordwrap_ = wrap;
    createEditor();
}

void TKEL_edit::setAlignment(TAlignment alignment) {
    if (alignment == alignment_)
        return;
    alignment_ = alignment;
    createEditor();
}

void TKEL_edit::setMultiline(bool multiline) {
    if (multiline == multiline_)
        return;
    multiline_ = multiline;
    createEditor();
}

void TKEL_edit::setColorIn(TColor c) {
    if (c == colorIn_)
        return;
    colorIn_ = c;
    update();
}

void TKEL_edit::setColorOut(TColor c) {
    if (c == colorOut_)
        return;
    colorOut_ = c;
    update();
}

void TKEL_edit::setColorMouse(TColor c) {
    if (c == colorMouse_)
        return;
    colorMouse_ = c;
    update();
}

void TKEL_edit::setColor(TColor c) {
    if (c == color_)
        return;
    color_ = c;
    applyLook();
}

void TKEL_edit::setValueMin(double v) {
    if (v == valueMin_)
        return;
    valueMin_ = v;
    ValidateText();
    update();
}

void TKEL_edit::setValueMax(double v) {
    if (v == valueMax_)
        return;
    valueMax_ = v;
    ValidateText();
    update();
}

void TKEL_edit::setFont(const KelFont &f) {
    if (f == font_)
        return;
    font_ = f;
    applyLook();
}

void TKEL_edit::setFontMouseOver(const KelFont &f) {
    fontMouseOver_ = f;
    if (fontSynchronize_)
        fontEditing_.Name = savedFont_.Name = f.Name;
    update();
}

void TKEL_edit::setFontEditing(const KelFont &f) {
    fontEditing_ = f;
    if (fontSynchronize_)
        savedFont_.Name = fontMouseOver_.Name = f.Name;
    update();
}

void TKEL_edit::setFontSynchronize(bool on) {
    if (on == fontSynchronize_)
        return;
    fontSynchronize_ = on;
    update();
}

QString TKEL_edit::Text() const {
    return line_ ? line_->text() : plain_->toPlainText();
}

void TKEL_edit::setText(const QString &text) {
    if (text == Text())
        return;
    if (line_)
        line_->setText(text);
    else
        plain_->setPlainText(text);
}

QWidget *TKEL_edit::editor() const {
    if (line_)
        return line_;
    return plain_;
}

QSize TKEL_edit::sizeHint() const {
    return editor()->sizeHint();
}

QSize TKEL_edit::minimumSizeHint() const {
    return editor()->minimumSizeHint();
}

void TKEL_edit::ValidateText() {
    if (editMode_ == mTextEdit)
        return;
    std::optional<keledit::Range> range;
    if (valueRange_)
        range = keledit::Range{valueMin_, valueMax_};
    const QString cleaned = editMode_ == mNumEdit ? keledit::CleanWholeNumber(Text(), range)
                                                  : keledit::CleanDecimal(Text(), range, decimals_,
                                                                          localeDecimalPoint());
    setText(cleaned);
}

int TKEL_edit::IntegerValue() const {
    const QString text = Text();
    if (text.isEmpty())
        return 0;
    return TryStrToInt(text.toStdString()).value_or(0);
}

// Builds the inner editor for the current Multiline, Wordwrap and Alignment, carrying the
// text and the focus over without running the focus transitions.
void TKEL_edit::createEditor() {
    QWidget *old = editor();
    const QString text = old ? Text() : QString();
    const bool hadFocus = focused_;
    if (old) {
        old->removeEventFilter(this);
        old->hide();
        old->deleteLater();
        line_ = nullptr;
        plain_ = nullptr;
    }
    if (multiline_) {
        plain_ = new QPlainTextEdit(this);
        plain_->setPlainText(text);
        plain_->setLineWrapMode(wordwrap_ ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
        // The box has no scroll bars of its own; long text scrolls with the caret.
        plain_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        plain_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        connect(plain_, &QPlainTextEdit::textChanged, this, &TKEL_edit::OnChange);
    } else {
        line_ = new QLineEdit(this);
        line_->setText(text);
        if (wordwrap_)
            line_->setValidator(new FitWidthValidator(line_));
        connect(line_, &QLineEdit::textChanged, this, &TKEL_edit::OnChange);
    }
    QWidget *e = editor();
    e->setGeometry(rect());
    setFocusProxy(e);
    applyAlignment();
    applyLook();
    e->show();
    if (hadFocus)
        e->setFocus(Qt::OtherFocusReason);
    e->installEventFilter(this);
}

void TKEL_edit::applyAlignment() {
    Qt::Alignment h = Qt::AlignLeft;
    if (alignment_ == taRightJustify)
        h = Qt::AlignRight;
    else if (alignment_ == taCenter)
        h = Qt::AlignHCenter;
    if (line_) {
        line_->setAlignment(h | Qt::AlignVCenter);
    } else {
        QTextOption option = plain_->document()->defaultTextOption();
        option.setAlignment(h);
        plain_->document()->setDefaultTextOption(option);
    }
}

void TKEL_edit::applyLook() {
    QWidget *e = editor();
    QPalette p = e->palette();
    p.setColor(QPalette::Base, ToQColor(color_));
    p.setColor(QPalette::Text, font_.qcolor());
    e->setPalette(p);
    e->setFont(font_.toQFont());
    update();
}

bool TKEL_edit::eventFilter(QObject *watched, QEvent *event) {
    if (watched != editor())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress:
        return filterKey(static_cast<QKeyEvent *>(event));
    case QEvent::FocusIn:
        if (!focused_)
            focusEntered();
        break;
    case QEvent::FocusOut:
        if (focused_ && movesFocusInWindow(static_cast<QFocusEvent *>(event)))
            focusLeft();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

// Returns true when the key is swallowed: in the number modes every character outside the
// mode's set is dropped, control characters included.
bool TKEL_edit::filterKey(QKeyEvent *event) {
    const QString typed = typedText(event);
    if (typed.isEmpty())
        return false;
    if (typed.front() == QChar(13))
        ValidateText();
    if (editMode_ == mTextEdit)
        return false;
    const QChar point = localeDecimalPoint();
    QString kept;
    for (QChar c : typed) {
        if (editMode_ == mNumEdit ? keledit::IsWholeNumberChar(c)
                                  : keledit::IsDecimalChar(c, point))
            kept += c;
    }
    if (kept == typed)
        return false;
    if (!kept.isEmpty()) {
        if (line_)
            line_->insert(kept);
        else
            plain_->insertPlainText(kept);
    }
    return true;
}

void TKEL_edit::focusEntered() {
    // A screen reader announces the inner editor, which has the focus, by the box's name.
    editor()->setAccessibleName(accessibleName());
    focused_ = true;
    color_ = colorIn_;
    // While the mouse is over the box the saved font already holds the normal one.
    if (!over_)
        savedFont_ = font_;
    font_ = fontEditing_;
    applyLook();
    emit OnEnter();
}

void TKEL_edit::focusLeft() {
    focused_ = false;
    color_ = colorOut_;
    ValidateText();
    font_ = savedFont_;
    applyLook();
    emit OnExit();
}

void TKEL_edit::enterEvent(QEnterEvent *event) {
    QWidget::enterEvent(event);
    over_ = true;
    emit OnMouseEnter();
    if (focused_)
        return;
    savedFont_ = font_;
    font_ = fontMouseOver_;
    color_ = colorMouse_;
    applyLook();
}

void TKEL_edit::leaveEvent(QEvent *event) {
    QWidget::leaveEvent(event);
    over_ = false;
    emit OnMouseLeave();
    if (focused_)
        return;
    font_ = savedFont_;
    color_ = colorOut_;
    applyLook();
}

void TKEL_edit::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    if (QWidget *e = editor())
        e->setGeometry(rect());
}
