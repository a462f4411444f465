#pragma once
// A list box that paints every row itself: columns cut at a separator string, alternating
// row colours, a highlighted current row and marked selected rows, a second look while the
// mouse is over it, per-row progress bars, and an optional partner list that repeats clicks
// and scrolls.
#include "KEL_common.h"

#include <QList>
#include <QListWidget>
#include <QPointer>
#include <QStringList>

class QScrollBar;

class TKEL_listbox : public QListWidget {
    Q_OBJECT
    Q_PROPERTY(QString Version READ Version CONSTANT)
    Q_PROPERTY(int VisibleLinesCount READ VisibleLinesCount)
    Q_PROPERTY(int LineColorSelected READ LineColorSelected WRITE setLineColorSelected)
    Q_PROPERTY(int TextColorSelected READ TextColorSelected WRITE setTextColorSelected)
    Q_PROPERTY(bool LineColoring READ LineColoring WRITE setLineColoring)
    Q_PROPERTY(int LineColorOdd READ LineColorOdd WRITE setLineColorOdd)
    Q_PROPERTY(int LineColorEven READ LineColorEven WRITE setLineColorEven)
    Q_PROPERTY(bool MouseIsOver READ MouseIsOver WRITE setMouseIsOver)
    Q_PROPERTY(int MouseOverColor READ MouseOverColor WRITE setMouseOverColor)
    Q_PROPERTY(KelFont FontMouseOver READ FontMouseOver WRITE setFontMouseOver)
    Q_PROPERTY(bool ProgressExists READ ProgressExists WRITE setProgressExists)
    Q_PROPERTY(QStringList ProgressValues READ ProgressValues WRITE setProgressValues)
    Q_PROPERTY(int ProgressColor READ ProgressColor WRITE setProgressColor)
    Q_PROPERTY(QString ColumnSeparator READ ColumnSeparator WRITE setColumnSeparator)
    Q_PROPERTY(int ColumnDefaultWidth READ ColumnDefaultWidth WRITE setColumnDefaultWidth)
    Q_PROPERTY(int ColumnCount READ ColumnCount WRITE setColumnCount)
    Q_PROPERTY(QList<int> ColumnWidths READ ColumnWidths)
    Q_PROPERTY(TKEL_listbox *SynchronizedList READ SynchronizedList WRITE setSynchronizedList)
    Q_PROPERTY(int Columns READ Columns)
    Q_PROPERTY(bool FontSynchronize READ FontSynchronize WRITE setFontSynchronize)
    Q_PROPERTY(KelFont Font READ Font WRITE setFont)
    Q_PROPERTY(int Color READ Color WRITE setColor)
    Q_PROPERTY(int ItemHeight READ ItemHeight WRITE setItemHeight)
    Q_PROPERTY(bool MultiSelect READ MultiSelect WRITE setMultiSelect)
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE setItemIndex)
    Q_PROPERTY(QStringList Items READ Items WRITE setItems)

public:
    explicit TKEL_listbox(QWidget *parent = nullptr);

    QString Version() const;
    int VisibleLinesCount() const { return m_visibleLines; }
    TColor LineColorSelected() const { return m_lineColorSelected; }
    void setLineColorSelected(TColor c);
    TColor TextColorSelected() const { return m_textColorSelected; }
    void setTextColorSelected(TColor c);
    bool LineColoring() const { return m_lineColoring; }
    void setLineColoring(bool on);
    TColor LineColorOdd() const { return m_lineColorOdd; }
    void setLineColorOdd(TColor c);
    TColor LineColorEven() const { return m_lineColorEven; }
    void setLineColorEven(TColor c);
    bool MouseIsOver() const { return m_mouseIsOver; }
    void setMouseIsOver(bool over) { m_mouseIsOver = over; }
    TColor MouseOverColor() const { return m_mouseOverColor; }
    void setMouseOverColor(TColor c) { m_mouseOverColor = c; }
    const KelFont &FontMouseOver() const { return m_fontMouseOver; }
    void setFontMouseOver(const KelFont &f);
    bool ProgressExists() const { return m_progressExists; }
    void setProgressExists(bool on);
    // One "row=percent" line per row that has a bar; the percent is in the user's locale.
    const QStringList &ProgressValues() const { return m_progressValues; }
    void setProgressValues(const QStringList &lines);
    TColor ProgressColor() const { return m_progressColor; }
    void setProgressColor(TColor c);
    QString ColumnSeparator() const { return m_columnSeparator; }
    void setColumnSeparator(const QString &separator);
    int ColumnDefaultWidth() const { return m_columnDefaultWidth; }
    void setColumnDefaultWidth(int width);
    int ColumnCount() const { return int(m_columnWidths.size()); }
    void setColumnCount(int n);
    const QList<int> &ColumnWidths() const { return m_columnWidths; }
    TKEL_listbox *SynchronizedList() const { return m_partner; }
    void setSynchronizedList(TKEL_listbox *partner) { m_partner = partner; }
    int Columns() const { return 0; }
    bool FontSynchronize() const { return m_fontSynchronize; }
    void setFontSynchronize(bool on);
    const KelFont &Font() const { return m_font; }
    using QListWidget::setFont;
    void setFont(const KelFont &f);
    TColor Color() const { return m_color; }
    void setColor(TColor c);
    int ItemHeight() const { return m_itemHeight; }
    void setItemHeight(int height);
    bool MultiSelect() const;
    void setMultiSelect(bool on);

    // The current row: the selected row of a single-select list, the row with the caret of
    // a multi-select one; -1 for none. Setting -1 on a single-select list clears it.
    int ItemIndex() const { return currentRow(); }
    void setItemIndex(int row);

    QStringList Items() const;
    void setItems(const QStringList &rows);
    int ItemCount() const { return count(); }
    QString ItemText(int row) const;
    void AddItem(const QString &text);
    void InsertItem(int row, const QString &text);
    void DeleteItem(int row);
    void ClearItems() { clear(); }
    bool IsSelected(int row) const;
    void SetSelected(int row, bool selected);
    int SelCount() const;
    void DeleteSelected();

    // Position in ProgressValues of the first line named by row, or -1.
    int ProgressEntryOf(int row) const;
    // The row's percentage, or -1.0 when the row or its line does not exist. Throws
    // std::invalid_argument when the value is no number.
    double ProgressValueOf(int row) const;

    // Paints one row into rect: background, progress bar and the text's columns.
    void DrawRow(QPainter &painter, int Index, const QRect &Rect) const;

signals:
    // A row was chosen with the mouse or the keyboard (also repeated from a partner list).
    void OnClick();
    void OnMouseEnter();
    void OnMouseLeave();

protected:
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    friend class KelListRowDelegate;

    // The click handling: repeat it in the partner, then raise OnClick.
    void Click();
    void repeatScroll(Qt::Orientation orientation, int action, int position);
    void forwardScroll(QScrollBar *bar, int action);
    void invalidate();
    void applyBackground();
    void synchronizeMouseOverFontName();
    const KelFont &canvasFont() const;
    // Records the visible line count from the text height of the row being painted.
    void noteRowPainted(const QString &text);

    int m_visibleLines = 0;
    TColor m_lineColorSelected = clYellow;
    TColor m_textColorSelected = clBlack;
    bool m_lineColoring = true;
    TColor m_lineColorOdd = 0x00CCCCCC;
    TColor m_lineColorEven = clWhite;
    bool m_progressExists = false;
    QStringList m_progressValues;
    TColor m_progressColor = clLime;
    bool m_mouseIsOver = false;
    KelFont m_fontMouseOver;
    TColor m_mouseOverColor = clWhite;
    QString m_columnSeparator = QStringLiteral("||");
    int m_columnDefaultWidth = 92;
    QList<int> m_columnWidths;
    QPointer<TKEL_listbox> m_partner;
    bool m_fontSynchronize = true;
    KelFont m_font;
    TColor m_color = clWhite;
    int m_itemHeight = 16;

    bool m_leftPressed = false;
    // Set while this list repeats a click or scroll, so a cycle of partners ends here.
    bool m_repeatingClick = false;
    bool m_repeatingScroll = false;
};
