// Building the main window: every control with its place, anchors and settings, in the order
// the window lists them.
#include "umain.h"

#include "KEL_edit.h"
#include "KEL_files.h"
#include "KEL_grbutton.h"
#include "KEL_listbox.h"
#include "KEL_progressbar.h"
#include "anchors.h"
#include "colorpanel.h"
#include "previewimage.h"
#include "splitter.h"

#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace {

// The client area that the window's outer 425 x 534 leaves inside a classic frame, and the
// two panels' design sizes within it.
constexpr QSize clientSize(417, 507);
constexpr int upperHeight = 353;
constexpr int splitterHeight = 8;
constexpr QSize upperDesign(417, upperHeight);
constexpr QSize lowerDesign(417, 507 - upperHeight - splitterHeight);
constexpr TColor splitterColor = 12615680; // red 0, green 128, blue 192
// The least the list frame and the log keep when the window or a splitter shrinks them: a
// few rows each, so the panels' other controls never slide over one another.
constexpr int listFrameMinHeight = 3 * 16 + 2;
constexpr int logMinHeight = 48;
constexpr int upperMinHeight = upperHeight - 129 + listFrameMinHeight;
constexpr int lowerMinHeight = lowerDesign.height() - 72 + logMinHeight;

KelFont formFont() {
    return KelFont(QStringLiteral("Tahoma"), -11, clWindowText);
}

QLabel *label(QWidget *parent, const char *name, const char *text, bool bold = false) {
    auto *l = Named(new QLabel(QString::fromLatin1(text), parent), name);
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}

QCheckBox *checkBox(QWidget *parent, const char *name, const char *text) {
    return Named(new QCheckBox(QString::fromLatin1(text), parent), name);
}

TKEL_grbutton *graphicButton(QWidget *parent, const char *name, const char *caption) {
    auto *b = Named(new TKEL_grbutton(parent), name);
    b->setColor(clWhite);
    b->setBorderWidth(2);
    b->setColorBorder(clBlack);
    b->setFont(KelFont(QStringLiteral("Tahoma"), -11, clBlack));
    b->setFontMouseOver(KelFont(QStringLiteral("Tahoma"), -11, clRed, true));
    b->setColorOver(clSilver);
    b->setColorDown(clGray);
    b->setLedExists(false);
    b->setShowCaption(true);
    b->setAlignmentV(TKEL_grbutton::va_center);
    b->setCaption(QString::fromLatin1(caption));
    return b;
}

// The graphic buttons take no focus, so each answers Alt + a letter of its caption, which its
// tool tip names.
void giveShortcut(TKEL_grbutton *button, Qt::Key letter, const QString &purpose,
                  const QString &moreKeys = QString()) {
    const QKeySequence keys(Qt::ALT | letter);
    button->setShortcut(keys);
    QString named = keys.toString(QKeySequence::NativeText);
    if (!moreKeys.isEmpty())
        named += QStringLiteral(" or ") + moreKeys;
    button->setToolTip(purpose + QStringLiteral(" (") + named + QLatin1Char(')'));
    button->setShowHint(true);
}

TKEL_edit *modeEdit(QWidget *parent, const char *name, TKEL_edit::tkeleditmode mode) {
    auto *e = Named(new TKEL_edit(parent), name);
    e->setFont(formFont());
    e->setFontMouseOver(formFont());
    e->setFontEditing(formFont());
    e->setColor(clWhite);
    e->setColorIn(clLime);
    e->setColorOut(clWhite);
    e->setColorMouse(clYellow);
    e->setMultiline(false);
    e->setValueRange(false);
    e->setDecimals(2);
    e->setEditMode(mode);
    e->setAlignment(mode == mNumEdit ? TKEL_edit::taRightJustify : TKEL_edit::taLeftJustify);
    return e;
}

} // namespace

void TForm1::buildWindow() {
    setWindowTitle(QStringLiteral("Quillet"));
    SetFormLook(*this, formFont());
    resize(clientSize);

    Panel2 = Named(new QWidget(this), "Panel2");
    Panel2->setFixedHeight(upperHeight);
    Panel4 = Named(new QWidget(this), "Panel4");
    Splitter1 = Named(new TSplitter(Qt::Vertical, Panel2, Panel4, this), "Splitter1");
    Splitter1->setFixedHeight(splitterHeight);
    Splitter1->setColor(splitterColor);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(Panel2);
    column->addWidget(Splitter1);
    column->addWidget(Panel4, 1);

    buildUpperPanel();
    buildLowerPanel();
    setMinimumSizes();
    setKeyboardOrder();
    nameForScreenReaders();

    KEL_files1 = Named(new TKEL_files(this), "KEL_files1");
    KEL_files1->setShowProgress(true);
    KEL_files1->setConfirmation(false);

    PopupMenu1 = Named(new QMenu(this), "PopupMenu1");
    Addfiles1 = Named(PopupMenu1->addAction(QStringLiteral("Add file(s)")), "Addfiles1");
    Addfolder1 = Named(PopupMenu1->addAction(QStringLiteral("Add folder")), "Addfolder1");
    Deleteselected1 =
        Named(PopupMenu1->addAction(QStringLiteral("Delete selected")), "Deleteselected1");
    Cancel1 = Named(PopupMenu1->addAction(QStringLiteral("Cancel")), "Cancel1");
}

// The window never gets so small that a control is cut or covered: not narrower than its
// design (or than the left-placed controls need in the fonts at hand), and not lower than
// the upper panel plus the least the lower one needs.
void TForm1::setMinimumSizes() {
    int rightmost = 0;
    for (const QWidget *w : std::initializer_list<const QWidget *>{
             Label5, CheckBox1, CheckBox2, CheckBox3, CheckBox4, CheckBox5, CheckBox6, CheckBox7,
             CheckBox8, CheckBox9})
        rightmost = std::max(rightmost, w->x() + w->width());
    // The boxes beside right-anchored neighbours keep their distance to them.
    rightmost = std::max(rightmost, Label5->x() + Label5->width() + CheckBox10->width() +
                                        (upperDesign.width() - 403));
    constexpr int closeLeft = 328; // the Close button's design place
    rightmost = std::max(rightmost,
                         CheckBox11->x() + CheckBox11->width() + (lowerDesign.width() - closeLeft));
    const int width = std::max(clientSize.width(), rightmost + 8);
    Panel2->setMinimumWidth(width);
    Panel4->setMinimumSize(width, lowerMinHeight);
    Splitter1->setMinimumExtents(upperMinHeight, lowerMinHeight);
}

// Tab goes from the list to its subfolders box, down the left column of settings, then down
// the right one, then to the log and the box beside Convert; the graphic buttons take no focus
// and answer their own keys.
void TForm1::setKeyboardOrder() {
    QWidget *const order[] = {KEL_listbox1, CheckBox10, KEL_edit5, ComboBox2, KEL_edit3, KEL_edit4,
                              SpinBox1,     CheckBox1,  Panel1,    CheckBox2, CheckBox5, ComboBox1,
                              CheckBox9,    CheckBox6,  CheckBox7, CheckBox4, KEL_edit6, CheckBox3,
                              CheckBox8,    Memo1,      CheckBox11};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    const QKeySequence colorKeys(Qt::ALT | Qt::Key_F);
    connect(new QShortcut(colorKeys, this), &QShortcut::activated, Panel1, [this] {
        Panel1->setFocus(Qt::ShortcutFocusReason);
        Panel1Click();
    });
    Panel1->setToolTip(QStringLiteral("Choose the fill colour (") +
                       colorKeys.toString(QKeySequence::NativeText) +
                       QStringLiteral(", or Space when it has the focus)"));
}

// The controls that show no text of their own are announced by the label beside them.
void TForm1::nameForScreenReaders() {
    const std::pair<QWidget *, const char *> names[] = {
        {KEL_listbox1, "Files to Convert"},
        {Image1, "Preview"},
        {KEL_edit5, "Target folder"},
        {KEL_edit3, "Output width"},
        {KEL_edit4, "Output height"},
        {KEL_edit6, "File extension"},
        {Panel1, "Fill color"},
        {ComboBox1, "Format"},
        {SpinBox1, "Quality"},
        {ComboBox2, "Preset"},
        {KEL_progressbar1, "Progress"},
        {Memo1, "Log"},
    };
    for (const auto &[control, name] : names)
        control->setAccessibleName(QString::fromLatin1(name));
}

QFileDialog *TForm1::openDialog() {
    if (openDialog_ == nullptr) {
        openDialog_ = Named(new QFileDialog(this), "OpenDialog1");
        openDialog_->setFileMode(QFileDialog::ExistingFiles);
        openDialog_->setSizeGripEnabled(true);
    }
    return openDialog_;
}

QColorDialog *TForm1::colorDialog() {
    if (colorDialog_ == nullptr)
        colorDialog_ = Named(new QColorDialog(this), "ColorDialog1");
    return colorDialog_;
}

void TForm1::buildUpperPanel() {
    auto *place = new TAnchorLayout(Panel2, upperDesign);
    Label1 = label(Panel2, "Label1", "Files to Convert:", true);
    place->place(Label1, QRect(8, 8, 0, 0));
    Label5 = label(Panel2, "Label5", "(Right click the list)");
    place->place(Label5, QRect(104, 8, 0, 0));

    buildListFrame();
    place->place(Panel3, QRect(8, 24, 395, 129), akAll);

    Label10 = label(Panel2, "Label10", "Target folder:", true);
    place->place(Label10, QRect(8, 155, 0, 0), akBottomLeft);
    KEL_edit5 = modeEdit(Panel2, "KEL_edit5", mTextEdit);
    place->place(KEL_edit5, QRect(8, 171, 310, 21), akStretchBottom);
    KEL_grbutton3 = graphicButton(Panel2, "KEL_grbutton3", "Browse");
    place->place(KEL_grbutton3, QRect(328, 171, 80, 25), akBottomRight);
    giveShortcut(KEL_grbutton3, Qt::Key_B, QStringLiteral("Choose the target folder"));

    Label3 = label(Panel2, "Label3", "Settings:", true);
    place->place(Label3, QRect(8, 199, 0, 0), akBottomLeft);
    KEL_grbutton4 = graphicButton(Panel2, "KEL_grbutton4", "About");
    place->place(KEL_grbutton4, QRect(328, 199, 80, 25), akBottomRight);
    giveShortcut(KEL_grbutton4, Qt::Key_A, QStringLiteral("About Quillet"));

    Label4 = label(Panel2, "Label4", "Output size:");
    place->place(Label4, QRect(16, 213, 0, 0), akBottomLeft);
    Label7 = label(Panel2, "Label7", "width");
    place->place(Label7, QRect(88, 213, 0, 0), akBottomLeft);
    KEL_edit3 = modeEdit(Panel2, "KEL_edit3", mNumEdit);
    place->place(KEL_edit3, QRect(128, 213, 80, 19), akBottomLeft);
    Label8 = label(Panel2, "Label8", "height");
    place->place(Label8, QRect(88, 237, 0, 0), akBottomLeft);
    KEL_edit4 = modeEdit(Panel2, "KEL_edit4", mNumEdit);
    place->place(KEL_edit4, QRect(128, 237, 80, 19), akBottomLeft);
    // The quality under the size's label, where the left column has room. Made here, where
    // the tab order puts it: moved to here from the end of the focus chain, the spin box did
    // not keep its place.
    Label12 = label(Panel2, "Label12", "Quality:");
    place->place(Label12, QRect(16, 237, 0, 0), akBottomLeft);
    SpinBox1 = Named(new QSpinBox(Panel2), "SpinBox1");
    SpinBox1->setRange(1, 100);
    SpinBox1->setAlignment(Qt::AlignRight);
    SpinBox1->setToolTip(QStringLiteral("The same number looks about the same in JPEG, WebP and "
                                        "AVIF; PNG is lossless"));
    place->place(SpinBox1, QRect(16, 253, 66, 20), akBottomLeft);
    Label12->setBuddy(SpinBox1); // its name for screen readers, as the format's

    CheckBox1 = checkBox(Panel2, "CheckBox1", "Maintain aspect ratio");
    place->place(CheckBox1, QRect(88, 264, 0, 0), akBottomLeft);
    CheckBox4 = checkBox(Panel2, "CheckBox4", "Add this as file extension");
    place->place(CheckBox4, QRect(224, 264, 0, 0), akBottomLeft);
    Label9 = label(Panel2, "Label9", "Fill color:");
    place->place(Label9, QRect(16, 285, 0, 0), akBottomLeft);
    KEL_edit6 = modeEdit(Panel2, "KEL_edit6", mTextEdit);
    place->place(KEL_edit6, QRect(256, 280, 153, 20), akStretchBottom);
    Panel1 = Named(new TColorPanel(Panel2), "Panel1");
    place->place(Panel1, QRect(88, 288, 121, 20), akBottomLeft);
    CheckBox2 = checkBox(Panel2, "CheckBox2", "Transparent");
    place->place(CheckBox2, QRect(88, 312, 0, 0), akBottomLeft);
    CheckBox3 = checkBox(Panel2, "CheckBox3", "Allow overwrite existing files");
    place->place(CheckBox3, QRect(224, 312, 0, 0), akBottomLeft);
    CheckBox5 = checkBox(Panel2, "CheckBox5", "Erase empty area");
    place->place(CheckBox5, QRect(88, 328, 0, 0), akBottomLeft);
    // The engine's opt-in extras, in the free space right of the size edits and below the
    // overwrite box, anchored as their neighbours.
    CheckBox6 = checkBox(Panel2, "CheckBox6", "Smooth scaling");
    place->place(CheckBox6, QRect(224, 216, 0, 0), akBottomLeft);
    CheckBox7 = checkBox(Panel2, "CheckBox7", "Turn photos upright");
    place->place(CheckBox7, QRect(224, 240, 0, 0), akBottomLeft);
    CheckBox8 = checkBox(Panel2, "CheckBox8", "Keep colour profile");
    place->place(CheckBox8, QRect(224, 328, 0, 0), akBottomLeft);
    // The output: the format under its label left of the transparency boxes, the sRGB box
    // above the extras, left of the About button.
    CheckBox9 = checkBox(Panel2, "CheckBox9", "Convert to sRGB");
    place->place(CheckBox9, QRect(224, 199, 0, 0), akBottomLeft);
    Label11 = label(Panel2, "Label11", "Format:");
    place->place(Label11, QRect(16, 312, 0, 0), akBottomLeft);
    ComboBox1 = Named(new QComboBox(Panel2), "ComboBox1");
    ComboBox1->addItems({QStringLiteral("JPEG"), QStringLiteral("WebP"), QStringLiteral("AVIF"),
                         QStringLiteral("PNG")});
    place->place(ComboBox1, QRect(16, 328, 66, 20), akBottomLeft);
    // Qt names a combo box by its current text on Linux; screen readers take the label
    // from the "labelled by" relation the buddy gives.
    Label11->setBuddy(ComboBox1);
    // The presets beside the heading of the settings they set.
    ComboBox2 = Named(new QComboBox(Panel2), "ComboBox2");
    ComboBox2->setToolTip(
        QStringLiteral("Sets the controls from a [preset NAME] section of the settings file"));
    place->place(ComboBox2, QRect(72, 194, 136, 19), akBottomLeft);
    // How folders join the list, beside its heading.
    CheckBox10 = checkBox(Panel2, "CheckBox10", "Include subfolders");
    place->place(CheckBox10, QRect(403 - CheckBox10->sizeHint().width(), 6, 0, 0),
                 Anchors(Anchor::Right) | Anchor::Top);
}

void TForm1::buildListFrame() {
    Panel3 = Named(new QWidget(Panel2), "Panel3");
    Panel3->setAutoFillBackground(true);
    QPalette black = Panel3->palette();
    black.setColor(QPalette::Window, ToQColor(clBlack));
    Panel3->setPalette(black);

    KEL_listbox1 = Named(new TKEL_listbox(Panel3), "KEL_listbox1");
    KEL_listbox1->setFont(formFont());
    KEL_listbox1->setFontMouseOver(formFont());
    KEL_listbox1->setItemHeight(16);
    KEL_listbox1->setMultiSelect(true);
    KEL_listbox1->setContextMenuPolicy(Qt::CustomContextMenu);
    KEL_listbox1->setColor(clWhite);
    KEL_listbox1->setLineColorSelected(clYellow);
    KEL_listbox1->setTextColorSelected(clBlack);
    KEL_listbox1->setLineColoring(true);
    KEL_listbox1->setLineColorOdd(13421772);
    KEL_listbox1->setLineColorEven(clWhite);
    KEL_listbox1->setMouseIsOver(false);
    KEL_listbox1->setProgressExists(false);
    KEL_listbox1->setColumnSeparator(QStringLiteral("||"));
    KEL_listbox1->setColumnDefaultWidth(92);
    KEL_listbox1->setColumnCount(0);
    KEL_listbox1->setAcceptDrops(true);
    KEL_listbox1->viewport()->setAcceptDrops(true);

    Image1 = Named(new TImage(Panel3), "Image1");
    Image1->setFixedWidth(72);
    Splitter2 = Named(new TSplitter(Qt::Horizontal, Image1, KEL_listbox1, Panel3), "Splitter2");
    Splitter2->setFixedWidth(8);
    Splitter2->setColor(splitterColor);

    // The lowered one-pixel bevel of the frame is the margin around its contents.
    auto *row = new QHBoxLayout(Panel3);
    row->setContentsMargins(1, 1, 1, 1);
    row->setSpacing(0);
    row->addWidget(KEL_listbox1, 1);
    row->addWidget(Splitter2);
    row->addWidget(Image1);
}

void TForm1::buildLowerPanel() {
    auto *place = new TAnchorLayout(Panel4, lowerDesign);
    Label2 = label(Panel4, "Label2", "Progress:", true);
    place->place(Label2, QRect(8, 4, 0, 0));

    KEL_progressbar1 = Named(new TKEL_progressbar(Panel4), "KEL_progressbar1");
    KEL_progressbar1->setBorderWidth(1);
    KelFont barFont = formFont();
    barFont.Color = clYellow;
    KEL_progressbar1->setFont(barFont);
    KEL_progressbar1->setPosition(20.0);
    KEL_progressbar1->setMax(100.0);
    KEL_progressbar1->setBackColor(clGray);
    KEL_progressbar1->setStartColor(clLime);
    KEL_progressbar1->setEndColor(clRed);
    KEL_progressbar1->setShowText(false);
    KEL_progressbar1->setAddToText(QStringLiteral("%"));
    KEL_progressbar1->setVertical(false);
    KEL_progressbar1->setBorderColor(clGray);
    place->place(KEL_progressbar1, QRect(8, 20, 403, 17), akTopStretch);

    Memo1 = Named(new QPlainTextEdit(Panel4), "Memo1");
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // WriteLog keeps at most 501 lines: more than 500 lose their first before an append.
    Memo1->setMaximumBlockCount(501);
    // Only the run writes the log; the user reads, selects and copies it, and Tab moves on.
    Memo1->setReadOnly(true);
    Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Memo1->setTabChangesFocus(true);
    place->place(Memo1, QRect(8, 33, 403, 72), akAll);

    KEL_grbutton1 = graphicButton(Panel4, "KEL_grbutton1", "Convert");
    place->place(KEL_grbutton1, QRect(8, 112, 80, 25), akBottomLeft);
    giveShortcut(KEL_grbutton1, Qt::Key_C, QStringLiteral("Convert every listed photo"),
                 ConvertKeys().toString(QKeySequence::NativeText));
    // What Convert does with thumbnails it made before, between the two buttons.
    CheckBox11 = checkBox(Panel4, "CheckBox11", "Skip thumbnails that are up to date");
    place->place(CheckBox11, QRect(96, 116, 0, 0), akBottomLeft);
    KEL_grbutton2 = graphicButton(Panel4, "KEL_grbutton2", "Close");
    place->place(KEL_grbutton2, QRect(328, 112, 80, 25), akBottomRight);
    // Alt+C is Convert's; "Close" has no other letter as plain to see.
    giveShortcut(KEL_grbutton2, Qt::Key_L, QStringLiteral("Close Quillet"));
}
