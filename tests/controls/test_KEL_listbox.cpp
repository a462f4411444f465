#include "KEL_listbox.h"
#include "KEL_listbox_columns.h"
#include "realpointer.h"

#include <QImage>
#include <QLineEdit>
#include <QLocale>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include <memory>
#include <stdexcept>

// (ColumnDefaultWidth, ColumnCount) pairs applied in order.
using ColumnSteps = QList<QPair<int, int>>;
// (row, Qt::KeyboardModifiers) clicks in order.
using RowClicks = QList<QPair<int, int>>;

namespace {

// Counts paints of the rows area, so tests can tell a repaint from a plain store.
class CountingListbox : public TKEL_listbox {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *event) override {
        ++paints;
        TKEL_listbox::paintEvent(event);
    }
};

QImage renderOf(QWidget &w) {
    QImage image(w.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    w.render(&image);
    return image;
}

// The row's rectangle in the coordinates of the whole control.
QRect rowRect(const TKEL_listbox &list, int row) {
    return list.visualItemRect(list.item(row)).translated(list.viewport()->pos());
}

QColor colorAt(const QImage &image, QPoint p) {
    return QColor(image.pixel(p));
}

bool hasPixelOf(const QImage &image, const QRect &area, const QColor &c) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (QColor(image.pixel(x, y)) == c)
                return true;
    return false;
}

// Rightmost column in area holding a pixel that is not bg; -1 for none.
int inkRight(const QImage &image, const QRect &area, const QColor &bg) {
    for (int x = area.right(); x >= area.left(); --x)
        for (int y = area.top(); y <= area.bottom(); ++y)
            if (QColor(image.pixel(x, y)) != bg)
                return x;
    return -1;
}

void settle() {
    QCoreApplication::processEvents();
}

KelFont fontOfPixels(int px, TColor color = clBlack) {
    return KelFont(QStringLiteral("DejaVu Sans"), -px, color);
}

// A pixel height whose line height is exactly lineHeight, or 0 when the font has none.
int pixelSizeForLineHeight(int lineHeight) {
    for (int px = 4; px <= lineHeight; ++px)
        if (QFontMetrics(fontOfPixels(px).toQFont()).size(0, QStringLiteral("x")).height() ==
            lineHeight)
            return px;
    return 0;
}

std::unique_ptr<CountingListbox> shownList(const QStringList &rows, QSize size = {200, 120}) {
    auto list = std::make_unique<CountingListbox>();
    list->setItems(rows);
    list->resize(size);
    // Away from the pointer, so the platform sends no enter of its own.
    list->move(300, 300);
    list->show();
    if (!QTest::qWaitForWindowExposed(list.get()))
        qWarning("list box was not exposed");
    settle();
    return list;
}

} // namespace

class TestKelListbox : public QObject {
    Q_OBJECT
private slots:
    void defaultsAtCreation_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("Version") << "Version" << QVariant("r1.09/quillet-controls@quillet.org");
        QTest::newRow("VisibleLinesCount") << "VisibleLinesCount" << QVariant(0);
        QTest::newRow("LineColorSelected") << "LineColorSelected" << QVariant(0x0000FFFF);
        QTest::newRow("TextColorSelected") << "TextColorSelected" << QVariant(0);
        QTest::newRow("LineColoring") << "LineColoring" << QVariant(true);
        QTest::newRow("LineColorOdd") << "LineColorOdd" << QVariant(13421772);
        QTest::newRow("LineColorEven") << "LineColorEven" << QVariant(0x00FFFFFF);
        QTest::newRow("MouseIsOver") << "MouseIsOver" << QVariant(false);
        QTest::newRow("MouseOverColor") << "MouseOverColor" << QVariant(0x00FFFFFF);
        QTest::newRow("ProgressExists") << "ProgressExists" << QVariant(false);
        QTest::newRow("ProgressColor") << "ProgressColor" << QVariant(0x0000FF00);
        QTest::newRow("ProgressValues") << "ProgressValues" << QVariant(QStringList());
        QTest::newRow("ColumnSeparator") << "ColumnSeparator" << QVariant("||");
        QTest::newRow("ColumnDefaultWidth") << "ColumnDefaultWidth" << QVariant(92);
        QTest::newRow("ColumnCount") << "ColumnCount" << QVariant(0);
        QTest::newRow("Columns") << "Columns" << QVariant(0);
        QTest::newRow("FontSynchronize") << "FontSynchronize" << QVariant(true);
        QTest::newRow("Color") << "Color" << QVariant(0x00FFFFFF);
        QTest::newRow("ItemHeight") << "ItemHeight" << QVariant(16);
        QTest::newRow("MultiSelect") << "MultiSelect" << QVariant(false);
        QTest::newRow("ItemIndex") << "ItemIndex" << QVariant(-1);
    }
    void defaultsAtCreation() {
        QFETCH(QString, name);
        QFETCH(QVariant, value);
        TKEL_listbox list;
        QVariant actual = list.property(name.toLatin1());
        QVERIFY2(actual.isValid(), qPrintable(name));
        if (value.typeId() == QMetaType::Int)
            QCOMPARE(actual.toInt(), value.toInt());
        else
            QCOMPARE(actual, value);
    }

    void focusAloneMakesNoRowCurrent() {
        QWidget window;
        auto *other = new QLineEdit(&window);
        auto *list = new TKEL_listbox(&window);
        list->AddItem(QStringLiteral("a"));
        list->AddItem(QStringLiteral("b"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        other->setFocus();
        list->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        QCOMPARE(list->ItemIndex(), -1);
        list->setItemIndex(1);
        other->setFocus();
        list->setFocus(Qt::TabFocusReason);
        QCOMPARE(list->ItemIndex(), 1);
    }

    void fontsAtCreation() {
        TKEL_listbox list;
        QCOMPARE(list.FontMouseOver(), list.Font());
        QVERIFY(list.ColumnWidths().isEmpty());
        QVERIFY(list.SynchronizedList() == nullptr);
    }

    void readOnlyPropertiesIgnoreWrites_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("Version") << "Version";
        QTest::newRow("VisibleLinesCount") << "VisibleLinesCount";
        QTest::newRow("Columns") << "Columns";
    }
    void readOnlyPropertiesIgnoreWrites() {
        QFETCH(QString, name);
        TKEL_listbox list;
        const QVariant before = list.property(name.toLatin1());
        QVERIFY(!list.setProperty(name.toLatin1(), QVariant(5)));
        QCOMPARE(list.property(name.toLatin1()), before);
    }

    void settersRepaintOrOnlyStore_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("repaints");
        QTest::newRow("LineColorSelected") << "LineColorSelected" << QVariant(clRed) << true;
        QTest::newRow("TextColorSelected") << "TextColorSelected" << QVariant(clRed) << true;
        QTest::newRow("LineColoring") << "LineColoring" << QVariant(false) << true;
        QTest::newRow("LineColorOdd") << "LineColorOdd" << QVariant(clRed) << true;
        QTest::newRow("LineColorEven") << "LineColorEven" << QVariant(clRed) << true;
        QTest::newRow("ProgressExists") << "ProgressExists" << QVariant(true) << true;
        QTest::newRow("ProgressColor") << "ProgressColor" << QVariant(clRed) << true;
        QTest::newRow("ProgressValues") << "ProgressValues" << QVariant(QStringList{"0=5"}) << true;
        QTest::newRow("ColumnSeparator") << "ColumnSeparator" << QVariant(";") << true;
        QTest::newRow("ColumnDefaultWidth") << "ColumnDefaultWidth" << QVariant(60) << true;
        QTest::newRow("ColumnCount") << "ColumnCount" << QVariant(2) << true;
        QTest::newRow("Color") << "Color" << QVariant(clSilver) << true;
        QTest::newRow("MouseIsOver") << "MouseIsOver" << QVariant(true) << false;
        QTest::newRow("MouseOverColor") << "MouseOverColor" << QVariant(clRed) << false;
        QTest::newRow("FontSynchronize") << "FontSynchronize" << QVariant(false) << false;
    }
    void settersRepaintOrOnlyStore() {
        QFETCH(QString, name);
        QFETCH(QVariant, value);
        QFETCH(bool, repaints);
        auto list = shownList({"a", "b"});
        list->paints = 0;
        QVERIFY(list->setProperty(name.toLatin1(), value));
        settle();
        QCOMPARE(list->paints > 0, repaints);
        QCOMPARE(list->property(name.toLatin1()), value);

        list->paints = 0;
        QVERIFY(list->setProperty(name.toLatin1(), value));
        settle();
        QCOMPARE(list->paints, 0);
    }

    void partnerWriteOnlyStores() {
        auto list = shownList({"a"});
        TKEL_listbox partner;
        list->paints = 0;
        QVERIFY(list->setProperty("SynchronizedList", QVariant::fromValue(&partner)));
        settle();
        QCOMPARE(list->paints, 0);
        QCOMPARE(list->SynchronizedList(), &partner);
    }

    void fontMouseOverAssignment() {
        auto list = shownList({"a"});
        list->paints = 0;
        list->setFontMouseOver(list->FontMouseOver());
        settle();
        QCOMPARE(list->paints, 0);

        const KelFont equalCopy = list->FontMouseOver();
        list->setFontMouseOver(equalCopy);
        settle();
        QVERIFY(list->paints > 0);
    }

    void fontSynchronizeCopiesTheNameOnly_data() {
        QTest::addColumn<bool>("synchronize");
        QTest::addColumn<QString>("expectedName");
        QTest::newRow("on") << true << "DejaVu Serif";
        QTest::newRow("off") << false << "DejaVu Sans";
    }
    void fontSynchronizeCopiesTheNameOnly() {
        QFETCH(bool, synchronize);
        QFETCH(QString, expectedName);
        TKEL_listbox list;
        list.setFontSynchronize(synchronize);
        list.setFontMouseOver(KelFont(QStringLiteral("DejaVu Sans"), -20, clRed, true));
        list.setFont(KelFont(QStringLiteral("DejaVu Serif"), -9, clNavy));
        QCOMPARE(list.FontMouseOver().Name, expectedName);
        QCOMPARE(list.FontMouseOver().Height, -20);
        QCOMPARE(list.FontMouseOver().Color, clRed);
        QVERIFY(list.FontMouseOver().Bold);
    }

    void rowColours_data() {
        QTest::addColumn<bool>("lineColoring");
        QTest::addColumn<bool>("mouseOver");
        QTest::addColumn<QList<QColor>>("expected");
        const QColor white(255, 255, 255), grey(204, 204, 204), yellow(255, 255, 0);
        const QColor base(0xCC, 0xDD, 0xEE), over(255, 0, 255);
        QTest::newRow("alternating") << true << false << QList<QColor>{white, grey, yellow, grey};
        QTest::newRow("alternating, mouse over hides the colour")
            << true << true << QList<QColor>{white, grey, yellow, grey};
        QTest::newRow("plain") << false << false << QList<QColor>{base, base, yellow, base};
        QTest::newRow("plain, mouse over")
            << false << true << QList<QColor>{over, over, yellow, over};
    }
    void rowColours() {
        QFETCH(bool, lineColoring);
        QFETCH(bool, mouseOver);
        QFETCH(QList<QColor>, expected);
        TKEL_listbox list;
        list.resize(200, 100);
        list.setItems({"a", "b", "c", "d"});
        list.setColor(rgbColor(0xCC, 0xDD, 0xEE));
        list.setMouseOverColor(rgbColor(255, 0, 255));
        list.setMouseIsOver(mouseOver);
        list.setLineColoring(lineColoring);
        list.setItemIndex(2);
        const QImage image = renderOf(list);
        for (int row = 0; row < 4; ++row) {
            const QRect r = rowRect(list, row);
            QCOMPARE(r.height(), 16);
            QCOMPARE(colorAt(image, QPoint(r.right() - 2, r.center().y())), expected[row]);
        }
    }

    void selectedRowTextColour() {
        TKEL_listbox list;
        list.resize(200, 60);
        list.setFont(fontOfPixels(14));
        list.setItems({"WWW", "WWW"});
        list.setTextColorSelected(clRed);
        list.setItemIndex(1);
        const QImage image = renderOf(list);
        const QColor red(255, 0, 0), black(0, 0, 0);
        QVERIFY(hasPixelOf(image, rowRect(list, 1), red));
        QVERIFY(!hasPixelOf(image, rowRect(list, 1), black));
        QVERIFY(hasPixelOf(image, rowRect(list, 0), black));
        QVERIFY(!hasPixelOf(image, rowRect(list, 0), red));
    }

    // Clicks as the pointer gives them, then each row's look: C the current row's yellow,
    // S the selection colour, F a yellow frame round an ordinary row, - an ordinary row.
    void selectedRowsAreMarked_data() {
        QTest::addColumn<bool>("multiSelect");
        QTest::addColumn<RowClicks>("clicks");
        QTest::addColumn<QString>("looks");
        const int ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier;
        QTest::newRow("ctrl adds a row") << true << RowClicks{{1, 0}, {3, ctrl}} << "-S-C";
        QTest::newRow("shift extends") << true << RowClicks{{0, 0}, {2, shift}} << "SSC-";
        QTest::newRow("ctrl takes the current row out")
            << true << RowClicks{{1, 0}, {3, ctrl}, {3, ctrl}} << "-S-F";
        QTest::newRow("single select") << false << RowClicks{{1, 0}, {3, ctrl}} << "---C";
    }
    void selectedRowsAreMarked() {
        QFETCH(bool, multiSelect);
        QFETCH(RowClicks, clicks);
        QFETCH(QString, looks);
        auto list = shownList({"a", "b", "c", "d"});
        list->setMultiSelect(multiSelect);
        for (const auto &[row, modifiers] : clicks)
            QTest::mouseClick(list->windowHandle(), Qt::LeftButton,
                              Qt::KeyboardModifiers(modifiers), rowRect(*list, row).center());
        settle();
        const QImage image = renderOf(*list);
        const QColor yellow(255, 255, 0);
        const QColor highlight = list->palette().color(QPalette::Active, QPalette::Highlight);
        for (int row = 0; row < 4; ++row) {
            const QRect r = rowRect(*list, row);
            const QColor inside = colorAt(image, QPoint(r.right() - 8, r.center().y()));
            const QColor edge = colorAt(image, r.topLeft());
            const QColor ordinary = row % 2 ? QColor(204, 204, 204) : QColor(255, 255, 255);
            const char look = looks[row].toLatin1();
            QCOMPARE(list->IsSelected(row), look == 'C' || look == 'S');
            QCOMPARE(inside, look == 'C' ? yellow : look == 'S' ? highlight : ordinary);
            QCOMPARE(edge, look == 'F' ? yellow : inside);
        }
    }

    void mouseOverFontChangesSizeButNotColour() {
        TKEL_listbox list;
        list.resize(300, 40);
        list.setFont(fontOfPixels(11));
        list.setFontMouseOver(KelFont(QStringLiteral("DejaVu Sans"), -22, clRed));
        list.setItems({"WWW"});
        const QRect r = rowRect(list, 0);
        const QColor white(255, 255, 255);
        const int normalRight = inkRight(renderOf(list), r, white);

        list.setMouseIsOver(true);
        const QImage over = renderOf(list);
        QVERIFY(inkRight(over, r, white) > normalRight + 10);
        QVERIFY(hasPixelOf(over, r, QColor(0, 0, 0)));
        QVERIFY(!hasPixelOf(over, r, QColor(255, 0, 0)));
    }

    void mouseEnterAndLeave() {
        QWidget window;
        window.resize(300, 200);
        auto *list = new CountingListbox;
        list->setParent(&window);
        list->setGeometry(10, 10, 200, 120);
        list->setItems({"a"});
        RealPointer pointer(list);
        QSignalSpy entered(list, &TKEL_listbox::OnMouseEnter);
        QSignalSpy left(list, &TKEL_listbox::OnMouseLeave);
        settle();
        list->paints = 0;
        pointer.move(list, QPoint(20, 8));
        QVERIFY(list->MouseIsOver());
        QCOMPARE(entered.count(), 1);
        settle();
        QVERIFY(list->paints > 0);

        // From the rows onto the list's own frame is no leaving.
        pointer.move(list, QPoint(20, 60));
        pointer.move(list, QPoint(0, 60));
        QCOMPARE(entered.count(), 1);
        QCOMPARE(left.count(), 0);

        list->paints = 0;
        pointer.away();
        QVERIFY(!list->MouseIsOver());
        QCOMPARE(left.count(), 1);
        QCOMPARE(entered.count(), 1);
        settle();
        QVERIFY(list->paints > 0);
    }

    // A style would tint the row with the keyboard focus and frame it; the highlight stays
    // exactly as set.
    void currentRowKeepsItsColoursWithTheFocus() {
        QWidget window;
        window.resize(300, 200);
        auto *before = new QLineEdit(&window);
        auto *list = new TKEL_listbox(&window);
        list->setGeometry(10, 40, 200, 120);
        list->setItems({"a", "", "c"});
        list->setItemIndex(1);
        RealPointer pointer(list);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        before->setFocus();
        QTest::keyClick(window.windowHandle(), Qt::Key_Tab);
        QVERIFY(list->hasFocus());
        const QImage image = renderOf(*list);
        const QRect r = rowRect(*list, 1);
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                if (colorAt(image, QPoint(x, y)) != QColor(255, 255, 0))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is %3")
                                         .arg(x)
                                         .arg(y)
                                         .arg(colorAt(image, QPoint(x, y)).name())));
    }

    void columnsSplit_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("separator");
        QTest::addColumn<QList<int>>("widths");
        QTest::addColumn<QList<RowColumn>>("expected");
        QTest::newRow("no column widths")
            << "a||b||c"
            << "||" << QList<int>{}
            << QList<RowColumn>{{"a", 0, -1}, {"b", 92, -1}, {"c", 184, -1}};
        QTest::newRow("two clipped columns")
            << "a||b||c"
            << "||" << QList<int>{50, 70}
            << QList<RowColumn>{{"a", 0, 50}, {"b", 50, 70}, {"c", 120, -1}};
        QTest::newRow("last piece is never clipped")
            << "a||b"
            << "||" << QList<int>{50, 70, 80} << QList<RowColumn>{{"a", 0, 50}, {"b", 50, -1}};
        QTest::newRow("ends in the separator")
            << "a||"
            << "||" << QList<int>{} << QList<RowColumn>{{"a", 0, -1}, {"", 92, -1}};
        QTest::newRow("empty separator")
            << "a||b"
            << "" << QList<int>{50} << QList<RowColumn>{{"a||b", 0, -1}};
        QTest::newRow("separator is case-sensitive")
            << "aXbxc"
            << "x" << QList<int>{} << QList<RowColumn>{{"aXb", 0, -1}, {"c", 92, -1}};
        QTest::newRow("one bar is no separator")
            << "a|b"
            << "||" << QList<int>{} << QList<RowColumn>{{"a|b", 0, -1}};
    }
    void columnsSplit() {
        QFETCH(QString, text);
        QFETCH(QString, separator);
        QFETCH(QList<int>, widths);
        QFETCH(QList<RowColumn>, expected);
        const QList<RowColumn> pieces = SplitRowColumns(text, separator, widths, 92);
        QCOMPARE(pieces.size(), expected.size());
        for (int i = 0; i < pieces.size(); ++i) {
            QCOMPARE(pieces[i].Text, expected[i].Text);
            QCOMPARE(pieces[i].X, expected[i].X);
            QCOMPARE(pieces[i].ClipWidth, expected[i].ClipWidth);
        }
    }

    void firstColumnsAreClipped_data() {
        QTest::addColumn<int>("columnCount");
        QTest::addColumn<bool>("inkBeyondWidth");
        QTest::newRow("clipped to 10") << 1 << false;
        QTest::newRow("no columns") << 0 << true;
    }
    void firstColumnsAreClipped() {
        QFETCH(int, columnCount);
        QFETCH(bool, inkBeyondWidth);
        TKEL_listbox list;
        list.resize(300, 40);
        list.setFont(fontOfPixels(14));
        list.setItems({"WWWWWW||"});
        list.setColumnDefaultWidth(10);
        list.setColumnCount(columnCount);
        const QRect r = rowRect(list, 0);
        const int right = inkRight(renderOf(list), r, QColor(255, 255, 255));
        QVERIFY(right >= r.left());
        QCOMPARE(right >= r.left() + 10, inkBeyondWidth);
    }

    void columnCountGrowth_data() {
        QTest::addColumn<ColumnSteps>("steps");
        QTest::addColumn<QList<int>>("widths");
        using Steps = ColumnSteps;
        QTest::newRow("0 to 3") << Steps{{92, 3}} << QList<int>{92, 92, 92};
        QTest::newRow("3 to 5 after the default became 60")
            << Steps{{92, 3}, {60, 5}} << QList<int>{92, 92, 92, 60, 60};
        QTest::newRow("cut to 2 keeps the first widths")
            << Steps{{92, 3}, {60, 5}, {60, 2}} << QList<int>{92, 92};
        QTest::newRow("cut then grown again")
            << Steps{{92, 3}, {60, 1}, {70, 3}} << QList<int>{92, 70, 70};
        QTest::newRow("negative empties") << Steps{{92, 3}, {92, -4}} << QList<int>{};
        QTest::newRow("zero empties") << Steps{{92, 3}, {92, 0}} << QList<int>{};
        QTest::newRow("same count keeps widths") << Steps{{50, 2}, {80, 2}} << QList<int>{50, 50};
    }
    void columnCountGrowth() {
        QFETCH(ColumnSteps, steps);
        QFETCH(QList<int>, widths);
        TKEL_listbox list;
        for (const auto &[defaultWidth, count] : steps) {
            list.setColumnDefaultWidth(defaultWidth);
            list.setColumnCount(count);
        }
        QCOMPARE(list.ColumnWidths(), widths);
        QCOMPARE(list.ColumnCount(), int(widths.size()));
    }

    void visibleLinesCount_data() {
        QTest::addColumn<int>("controlHeight");
        QTest::addColumn<int>("lineHeight");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("127 / 13") << 127 << 13 << "x" << 10;
        QTest::newRow("130 / 13") << 130 << 13 << "x" << 10;
        QTest::newRow("8.5 goes to 8") << 136 << 16 << "x" << 8;
        QTest::newRow("7.5 goes to 8") << 120 << 16 << "x" << 8;
        QTest::newRow("a line break counts one line") << 127 << 13 << "x\ny" << 10;
    }
    void visibleLinesCount() {
        QFETCH(int, controlHeight);
        QFETCH(int, lineHeight);
        QFETCH(QString, text);
        QFETCH(int, expected);
        const int px = pixelSizeForLineHeight(lineHeight);
        if (px == 0)
            QSKIP("no font size with that line height");
        TKEL_listbox list;
        list.resize(200, controlHeight);
        list.setFont(fontOfPixels(px));
        list.setItems({text});
        QCOMPARE(list.VisibleLinesCount(), 0);
        renderOf(list);
        QCOMPARE(list.VisibleLinesCount(), expected);
    }

    void progressEntries() {
        TKEL_listbox list;
        list.setItems({"a", "b", "c"});
        list.setProgressValues({"x", "01=7", "1=25", "2=abc", "1=30", "7=5"});
        QCOMPARE(list.ProgressEntryOf(1), 2);
        QCOMPARE(list.ProgressEntryOf(0), -1);
        QCOMPARE(list.ProgressValueOf(1), 25.0);
        QCOMPARE(list.ProgressValueOf(0), -1.0);
        QCOMPARE(list.ProgressValueOf(7), -1.0);
        QCOMPARE(list.ProgressValueOf(-1), -1.0);
        try {
            list.ProgressValueOf(2);
            QFAIL("no conversion error");
        } catch (const std::invalid_argument &error) {
            QCOMPARE(QString::fromUtf8(error.what()),
                     QStringLiteral("'abc' is not a valid floating point value"));
        }
    }

    void progressBar_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("barWidth"); // pixels filled from the row's left edge
        const QLocale locale = QLocale::system();
        QTest::newRow("50") << "0=50" << 99;
        QTest::newRow("100 leaves the last pixel") << "0=100" << 199;
        QTest::newRow("0") << "0=0" << 0;
        QTest::newRow("-1") << "0=-1" << 0;
        QTest::newRow("missing line") << "1=50" << 0;
        QTest::newRow("12.5") << "0=" + locale.toString(12.5) << 24;
        QTest::newRow("1.5 px goes to 2") << "0=" + locale.toString(0.75) << 1;
        QTest::newRow("2.5 px goes to 2") << "0=" + locale.toString(1.25) << 1;
        QTest::newRow("0.5 px goes to 0") << "0=" + locale.toString(0.25) << 0;
    }
    void progressBar() {
        QFETCH(QString, line);
        QFETCH(int, barWidth);
        TKEL_listbox list;
        list.setItems({"", ""});
        list.setProgressExists(true);
        list.setProgressValues({line});
        list.setItemIndex(1);
        list.resize(200 + 2 * list.frameWidth(), 60);
        const QRect r = rowRect(list, 0);
        QCOMPARE(r.width(), 200);
        const QImage image = renderOf(list);
        const QColor lime(0, 255, 0);
        int filled = 0;
        while (filled < r.width() && colorAt(image, QPoint(r.left() + filled, r.top())) == lime)
            ++filled;
        QCOMPARE(filled, barWidth);
        if (barWidth > 0) {
            QCOMPARE(colorAt(image, QPoint(r.left(), r.bottom() - 1)), lime);
            QCOMPARE(colorAt(image, QPoint(r.left(), r.bottom())), QColor(255, 255, 255));
        }
    }

    void unreadableProgressValueStopsTheRow() {
        TKEL_listbox list;
        list.resize(200, 60);
        list.setFont(fontOfPixels(14));
        list.setItems({"WWW", "WWW"});
        list.setProgressExists(true);
        list.setProgressValues({"0=abc"});
        QTest::ignoreMessage(QtWarningMsg, "'abc' is not a valid floating point value");
        const QImage image = renderOf(list);
        QVERIFY(!hasPixelOf(image, rowRect(list, 0), QColor(0, 0, 0)));
        QVERIFY(hasPixelOf(image, rowRect(list, 1), QColor(0, 0, 0)));
    }

    void itemsAndSelection() {
        TKEL_listbox list;
        list.setMultiSelect(true);
        list.AddItem("/p/1.jpg");
        list.AddItem("/p/2.jpg");
        list.AddItem("/p/3.jpg");
        list.InsertItem(0, "/p/0.jpg");
        list.AddItem("/p/4.jpg");
        QCOMPARE(list.ItemCount(), 5);
        list.SetSelected(1, true);
        list.SetSelected(3, true);
        list.DeleteSelected();
        QCOMPARE(list.Items(), (QStringList{"/p/0.jpg", "/p/2.jpg", "/p/4.jpg"}));
        QCOMPARE(list.ItemText(2), QStringLiteral("/p/4.jpg"));
        QCOMPARE(list.ItemText(3), QString());
        list.DeleteItem(0);
        QCOMPARE(list.Items(), (QStringList{"/p/2.jpg", "/p/4.jpg"}));
        list.ClearItems();
        QCOMPARE(list.ItemCount(), 0);
    }

    void itemIndexInASingleSelectList() {
        TKEL_listbox list;
        list.setItems({"a", "b", "c"});
        list.setItemIndex(1);
        QCOMPARE(list.ItemIndex(), 1);
        QVERIFY(list.IsSelected(1));
        list.setItemIndex(-1);
        QCOMPARE(list.ItemIndex(), -1);
        QCOMPARE(list.SelCount(), 0);
    }

    void itemHeightSetsTheRowHeight() {
        TKEL_listbox list;
        list.resize(200, 100);
        list.setItems({"a", "b"});
        list.setItemHeight(20);
        QCOMPARE(rowRect(list, 1).top() - rowRect(list, 0).top(), 20);
        list.setItemHeight(0);
        QCOMPARE(list.ItemHeight(), 20);
    }

    void clickIsRepeatedInThePartner_data() {
        QTest::addColumn<int>("partnerRows");
        QTest::addColumn<int>("partnerIndex");
        QTest::newRow("shorter partner is left alone") << 5 << 2;
        QTest::newRow("partner without that row is left alone") << 7 << 2;
        QTest::newRow("longer partner follows") << 10 << 7;
        QTest::newRow("partner with just that row follows") << 8 << 7;
    }
    void clickIsRepeatedInThePartner() {
        QFETCH(int, partnerRows);
        QFETCH(int, partnerIndex);
        QStringList rows;
        for (int i = 0; i < 10; ++i)
            rows << QString::number(i);
        auto list = shownList(rows, {200, 200});
        TKEL_listbox partner;
        partner.setItems(rows.mid(0, partnerRows));
        partner.setItemIndex(2);
        list->setSynchronizedList(&partner);
        QSignalSpy clicked(list.get(), &TKEL_listbox::OnClick);
        QSignalSpy partnerClicked(&partner, &TKEL_listbox::OnClick);

        const QRect r = list->visualItemRect(list->item(7));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, r.center());
        QCOMPARE(list->ItemIndex(), 7);
        QCOMPARE(partner.ItemIndex(), partnerIndex);
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(partnerClicked.count(), 1);
    }

    void coupledCycleEndsAfterOneRound() {
        auto a = shownList({"0", "1", "2", "3"});
        TKEL_listbox b, c;
        b.setItems({"0", "1", "2", "3"});
        c.setItems({"0", "1", "2", "3"});
        a->setSynchronizedList(&b);
        b.setSynchronizedList(&c);
        c.setSynchronizedList(a.get());
        QSignalSpy aClicked(a.get(), &TKEL_listbox::OnClick);
        QSignalSpy bClicked(&b, &TKEL_listbox::OnClick);
        QSignalSpy cClicked(&c, &TKEL_listbox::OnClick);
        QTest::mouseClick(a->viewport(), Qt::LeftButton, {},
                          a->visualItemRect(a->item(3)).center());
        QCOMPARE(b.ItemIndex(), 3);
        QCOMPARE(c.ItemIndex(), 3);
        QCOMPARE(aClicked.count(), 1);
        QCOMPARE(bClicked.count(), 1);
        QCOMPARE(cClicked.count(), 1);
    }

    void keyboardChoiceIsAClick() {
        auto list = shownList({"0", "1", "2"});
        list->setItemIndex(0);
        QSignalSpy clicked(list.get(), &TKEL_listbox::OnClick);
        QTest::keyClick(list.get(), Qt::Key_Down);
        QCOMPARE(list->ItemIndex(), 1);
        QCOMPARE(clicked.count(), 1);
        QTest::keyClick(list.get(), Qt::Key_Up);
        QTest::keyClick(list.get(), Qt::Key_Up);
        QCOMPARE(clicked.count(), 2);
    }

    void scrollIsRepeatedInThePartner_data() {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("expected");
        QTest::newRow("line down") << int(QAbstractSlider::SliderSingleStepAdd) << 1;
        QTest::newRow("to the end") << int(QAbstractSlider::SliderToMaximum) << -1;
        QTest::newRow("thumb moved") << int(QAbstractSlider::SliderMove) << 12;
    }
    void scrollIsRepeatedInThePartner() {
        QFETCH(int, action);
        QFETCH(int, expected);
        QStringList rows;
        for (int i = 0; i < 60; ++i)
            rows << QString::number(i);
        auto a = shownList(rows);
        auto b = shownList(rows);
        a->setSynchronizedList(b.get());
        b->setSynchronizedList(a.get());
        QScrollBar *bar = a->verticalScrollBar();
        QVERIFY(bar->maximum() > 12);
        if (action == QAbstractSlider::SliderMove)
            bar->setSliderPosition(12);
        else
            bar->triggerAction(QAbstractSlider::SliderAction(action));
        const int want = expected < 0 ? bar->maximum() : expected;
        QCOMPARE(bar->value(), want);
        QCOMPARE(b->verticalScrollBar()->value(), want);
    }

    void destroyedPartnerIsForgotten() {
        auto list = shownList({"0", "1"});
        auto partner = std::make_unique<TKEL_listbox>();
        list->setSynchronizedList(partner.get());
        partner.reset();
        QVERIFY(list->SynchronizedList() == nullptr);
        QSignalSpy clicked(list.get(), &TKEL_listbox::OnClick);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(1)).center());
        QCOMPARE(clicked.count(), 1);
    }
};

QTEST_MAIN(TestKelListbox)
#include "test_KEL_listbox.moc"
