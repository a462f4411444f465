#include "KEL_listbox.h"

#include "KEL_listbox_columns.h"
#include "KEL_outline.h"
#include "numeric.h"

#include <QAbstractItemDelegate>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLocale>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>

#include <cmath>
#include <stdexcept>

// Paints every row through the list's own row painter; all rows share ItemHeight.
class KelListRowDelegate : public QAbstractItemDelegate {
public:
    explicit KelListRowDelegate(TKEL_listbox *list) : QAbstractItemDelegate(list), m_list(list) {}

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override {
        m_list->noteRowPainted(m_list->ItemText(index.row()));
        // No focus frame: the row with the keyboard focus is the current row, which the
        // highlight already marks, and a style's frame would tint the highlight colour.
        m_list->DrawRow(*painter, index.row(), option.rect);
    }

    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override {
        return QSize(1, m_list->ItemHeight());
    }

private:
    TKEL_listbox *m_list;
};

TKEL_listbox::TKEL_listbox(QWidget *parent) : QListWidget(parent) {
    setItemDelegate(new KelListRowDelegate(this));
    setUniformItemSizes(true);
    setEditTriggers(NoEditTriggers);
    // Rows are as wide as the list; long texts run past the right edge.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setSelectionMode(SingleSelection);
    QListWidget::setFont(m_font.toQFont());
    m_fontMouseOver = m_font;
    applyBackground();
    for (QScrollBar *bar : {verticalScrollBar(), horizontalScrollBar()})
        connect(bar, &QScrollBar::actionTriggered, this,
                [this, bar](int action) { forwardScroll(bar, action); });
}

QString TKEL_listbox::Version() const {
    return QStringLiteral("r1.09/quillet-controls@quillet.org");
}

void TKEL_listbox::invalidate() {
    viewport()->update();
}

namespace {

// Stores value when it differs; tells whether it did.
template <typename T> bool assignChanged(T &member, const T &value) {
    if (member == value)
        return false;
    member = value;
    return true;
}

} // namespace

void TKEL_listbox::setLineColorSelected(TColor c) {
    if (assignChanged(m_lineColorSelected, c))
        invalidate();
}

void TKEL_listbox::setTextColorSelected(TColor c) {
    if (assignChanged(m_textColorSelected, c))
        invalidate();
}

void TKEL_listbox::setLineColoring(bool on) {
    if (assignChanged(m_lineColoring, on))
        invalidate();
}

void TKEL_listbox::setLineColorOdd(TColor c) {
    if (assignChanged(m_lineColorOdd, c))
        invalidate();
}

void TKEL_listbox::setLineColorEven(TColor c) {
    if (assignChanged(m_lineColorEven, c))
        invalidate();
}

void TKEL_listbox::setProgressExists(bool on) {
    if (assignChanged(m_progressExists, on))
        invalidate();
}

void TKEL_listbox::setProgressValues(const QStringList &lines) {
    if (assignChanged(m_progressValues, lines))
        invalidate();
}

void TKEL_listbox::setProgressColor(TColor c) {
    if (assignChanged(m_progressColor, c))
        invalidate();
}

void TKEL_listbox::setColumnSeparator(const QString &separator) {
    if (assignChanged(m_columnSeparator, separator))
        invalidate();
}

void TKEL_listbox::setColumnDefaultWidth(int width) {
    if (assignChanged(m_columnDefaultWidth, width))
        invalidate();
}

void TKEL_listbox::setFontMouseOver(const KelFont &f) {
    if (&f == &m_fontMouseOver)
        return;
    m_fontMouseOver = f;
    synchronizeMouseOverFontName();
    invalidate();
}

// Only the face follows Font; size, style, colour and character set stay the mouse-over
// font's own.
void TKEL_listbox::synchronizeMouseOverFontName() {
    if (m_fontSynchronize)
        m_fontMouseOver.Name = m_font.Name;
}

void TKEL_listbox::setFontSynchronize(bool on) {
    m_fontSynchronize = on;
    synchronizeMouseOverFontName();
}

void TKEL_listbox::setFont(const KelFont &f) {
    if (f == m_font)
        return;
    m_font = f;
    QListWidget::setFont(m_font.toQFont());
    synchronizeMouseOverFontName();
    invalidate();
}

void TKEL_listbox::setColor(TColor c) {
    if (!assignChanged(m_color, c))
        return;
    applyBackground();
    invalidate();
}

// The area below the last row shows Color.
void TKEL_listbox::applyBackground() {
    QPalette p = palette();
    p.setColor(QPalette::Base, ToQColor(m_color));
    setPalette(p);
}

void TKEL_listbox::setItemHeight(int height) {
    if (height == m_itemHeight || height <= 0)
        return;
    m_itemHeight = height;
    doItemsLayout();
    invalidate();
}

void TKEL_listbox::setColumnCount(int n) {
    if (n < 0)
        n = 0;
    if (n == ColumnCount())
        return;
    if (n < ColumnCount())
        m_columnWidths.resize(n);
    else
        m_columnWidths.resize(n, m_columnDefaultWidth);
    invalidate();
}

bool TKEL_listbox::MultiSelect() const {
    return selectionMode() == ExtendedSelection;
}

void TKEL_listbox::setMultiSelect(bool on) {
    if (on == MultiSelect())
        return;
    setSelectionMode(on ? ExtendedSelection : SingleSelection);
    invalidate();
}

void TKEL_listbox::setItemIndex(int row) {
    if (row == ItemIndex())
        return;
    if (MultiSelect())
        selectionModel()->setCurrentIndex(model()->index(row, 0), QItemSelectionModel::NoUpdate);
    else
        setCurrentRow(row);
    invalidate();
}

QStringList TKEL_listbox::Items() const {
    QStringList rows;
    rows.reserve(count());
    for (int i = 0; i < count(); ++i)
        rows.append(item(i)->text());
    return rows;
}

void TKEL_listbox::setItems(const QStringList &rows) {
    clear();
    addItems(rows);
}

QString TKEL_listbox::ItemText(int row) const {
    const QListWidgetItem *it = item(row);
    return it ? it->text() : QString();
}

void TKEL_listbox::AddItem(const QString &text) {
    addItem(text);
}

void TKEL_listbox::InsertItem(int row, const QString &text) {
    insertItem(row, text);
}

void TKEL_listbox::DeleteItem(int row) {
    delete takeItem(row);
}

bool TKEL_listbox::IsSelected(int row) const {
    const QListWidgetItem *it = item(row);
    return it && it->isSelected();
}

void TKEL_listbox::SetSelected(int row, bool selected) {
    if (QListWidgetItem *it = item(row))
        it->setSelected(selected);
}

int TKEL_listbox::SelCount() const {
    return int(selectedItems().size());
}

void TKEL_listbox::DeleteSelected() {
    for (int row = count() - 1; row >= 0; --row)
        if (item(row)->isSelected())
            DeleteItem(row);
}

int TKEL_listbox::ProgressEntryOf(int row) const {
    const QString name = QString::number(row);
    for (int i = 0; i < m_progressValues.size(); ++i) {
        const QString &line = m_progressValues[i];
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0 && QStringView(line).left(eq) == name)
            return i;
    }
    return -1;
}

double TKEL_listbox::ProgressValueOf(int row) const {
    if (row < 0 || row > count() - 1)
        return -1.0;
    const int entry = ProgressEntryOf(row);
    if (entry < 0)
        return -1.0;
    const QString &line = m_progressValues[entry];
    const QString value = line.mid(line.indexOf(QLatin1Char('=')) + 1);
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double percent = locale.toDouble(value.trimmed(), &ok);
    if (!ok)
        throw std::invalid_argument(
            QStringLiteral("'%1' is not a valid floating point value").arg(value).toStdString());
    return percent;
}

const KelFont &TKEL_listbox::canvasFont() const {
    return m_mouseIsOver ? m_fontMouseOver : m_font;
}

void TKEL_listbox::noteRowPainted(const QString &text) {
    // The height of one line: line breaks inside a row's text do not make it taller.
    const int h = QFontMetrics(canvasFont().toQFont()).size(Qt::TextSingleLine, text).height();
    m_visibleLines = h > 0 ? int(NearestInt((long double)height() / h)) : 0;
}

void TKEL_listbox::DrawRow(QPainter &painter, int Index, const QRect &Rect) const {
    const QString text = ItemText(Index);
    painter.save();
    painter.setFont(canvasFont().toQFont());
    painter.fillRect(Rect, ToQColor(m_mouseIsOver ? m_mouseOverColor : m_color));

    QColor textColor = m_font.qcolor();
    const bool current = Index == ItemIndex();
    const bool selected = IsSelected(Index);
    // In a multi-select list the current row may be unselected (Ctrl+click): it then keeps
    // its ordinary background inside a frame of the current row's colour, so a filled row is
    // always one that "Delete selected" removes.
    const bool currentFilled = current && (selected || !MultiSelect());
    if (currentFilled) {
        painter.fillRect(Rect, ToQColor(m_lineColorSelected));
        textColor = ToQColor(m_textColorSelected);
    } else if (selected) {
        painter.fillRect(Rect, palette().color(QPalette::Active, QPalette::Highlight));
        textColor = palette().color(QPalette::Active, QPalette::HighlightedText);
    } else if (m_lineColoring) {
        painter.fillRect(Rect, ToQColor(Index % 2 != 0 ? m_lineColorOdd : m_lineColorEven));
    }
    if (current && !currentFilled) {
        // The two outermost pixels of the row.
        const int width = 2;
        DrawOutline(painter, Rect.adjusted(width / 2, width / 2, -(width / 2), -(width / 2)), width,
                    ToQColor(m_lineColorSelected));
    }

    if (m_progressExists && ProgressEntryOf(Index) >= 0) {
        double percent = 0;
        try {
            percent = ProgressValueOf(Index);
        } catch (const std::invalid_argument &error) {
            // A message box from inside painting would paint again; the row stays unfinished.
            qWarning("%s", error.what());
            painter.restore();
            return;
        }
        if (percent > -1) {
            // Huge percentages only paint further past the edge; keep them in range.
            const double filled = std::fmin(double(Rect.width()) / 100 * percent, 1e8);
            const int n = int(NearestInt(filled));
            const QRect bar(Rect.left(), Rect.top(), n - 1, Rect.height() - 1);
            if (bar.width() > 0 && bar.height() > 0)
                painter.fillRect(bar, ToQColor(m_progressColor));
        }
    }

    painter.setPen(textColor);
    const int baseline = Rect.top() + painter.fontMetrics().ascent();
    const auto pieces =
        SplitRowColumns(text, m_columnSeparator, m_columnWidths, m_columnDefaultWidth);
    for (const RowColumn &piece : pieces) {
        const int x = Rect.left() + piece.X;
        if (piece.ClipWidth < 0) {
            painter.drawText(QPoint(x, baseline), piece.Text);
            continue;
        }
        painter.save();
        painter.setClipRect(QRect(x, Rect.top(), piece.ClipWidth, Rect.height()),
                            Qt::IntersectClip);
        painter.drawText(QPoint(x, baseline), piece.Text);
        painter.restore();
    }
    painter.restore();
}

void TKEL_listbox::Click() {
    if (m_repeatingClick)
        return;
    {
        QScopedValueRollback guard(m_repeatingClick, true);
        if (TKEL_listbox *partner = m_partner) {
            if (partner->count() > ItemIndex())
                partner->setItemIndex(ItemIndex());
            partner->Click();
            if (m_partner)
                m_partner->invalidate();
        }
    }
    emit OnClick();
}

void TKEL_listbox::forwardScroll(QScrollBar *bar, int action) {
    if (!m_partner || m_repeatingScroll)
        return;
    QScopedValueRollback guard(m_repeatingScroll, true);
    m_partner->repeatScroll(bar->orientation(), action, bar->sliderPosition());
}

void TKEL_listbox::repeatScroll(Qt::Orientation orientation, int action, int position) {
    if (m_repeatingScroll)
        return;
    QScrollBar *bar = orientation == Qt::Vertical ? verticalScrollBar() : horizontalScrollBar();
    if (action != QAbstractSlider::SliderMove)
        bar->triggerAction(QAbstractSlider::SliderAction(action));
    else if (bar->sliderPosition() != position)
        bar->setSliderPosition(position);
    else
        forwardScroll(bar, action);
}

void TKEL_listbox::enterEvent(QEnterEvent *event) {
    QListWidget::enterEvent(event);
    m_mouseIsOver = true;
    emit OnMouseEnter();
    invalidate();
}

void TKEL_listbox::leaveEvent(QEvent *event) {
    QListWidget::leaveEvent(event);
    m_mouseIsOver = false;
    emit OnMouseLeave();
    invalidate();
}

void TKEL_listbox::mousePressEvent(QMouseEvent *event) {
    QListWidget::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        m_leftPressed = true;
    invalidate();
}

// A left click in the rows area counts on release, wherever the release happens.
void TKEL_listbox::mouseReleaseEvent(QMouseEvent *event) {
    QListWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && m_leftPressed) {
        m_leftPressed = false;
        Click();
    }
}

void TKEL_listbox::focusInEvent(QFocusEvent *event) {
    // Gaining the focus makes no row current: the highlight follows clicks and keys only.
    const bool hadCurrent = currentIndex().isValid();
    QListWidget::focusInEvent(event);
    if (!hadCurrent && currentIndex().isValid())
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
}

void TKEL_listbox::keyPressEvent(QKeyEvent *event) {
    const int rowBefore = ItemIndex();
    const QModelIndexList selectedBefore = selectedIndexes();
    QListWidget::keyPressEvent(event);
    invalidate();
    if (ItemIndex() != rowBefore || selectedIndexes() != selectedBefore)
        Click();
}
