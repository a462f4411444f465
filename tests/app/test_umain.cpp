// The main window's controls, placement and handlers (everything but the batch run and the
// settings file, which have their own tests).
#include "KEL_edit.h"
#include "KEL_grbutton.h"
#include "KEL_listbox.h"
#include "KEL_progressbar.h"
#include "colorpanel.h"
#include "previewimage.h"
#include "scriptedprompt.h"
#include "splitter.h"
#include "umain.h"

#include "guitestmain.h"
#include "tempfolder.h"

#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// Runs `answer` on the next modal widget that opens (the window's dialogs are modal).
void whenModal(std::function<void(QWidget *)> answer) {
    // Owned by the application; cleanup() ends one whose modal never came.
    auto *timer = new QTimer(qApp);
    timer->setObjectName(QStringLiteral("whenModal"));
    QObject::connect(timer, &QTimer::timeout, timer, [timer, answer] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            timer->deleteLater();
            timer->stop();
            answer(modal);
        }
    });
    timer->start(10);
}

} // namespace

class TestUmain : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void everyPartIsNamed_data();
    void everyPartIsNamed();
    void captionsAndTexts_data();
    void captionsAndTexts();
    void placementAtTheStart_data();
    void placementAtTheStart();
    void resizingGrowsTheListAndTheLog();
    void splitterMovesTheBorder();
    void popupMenuEntries();
    void addFilesAppendsInDialogOrder();
    void addFilesCancelledChangesNothing();
    void deleteSelected();
    void deleteKeyRemovesTheSelectedRows();
    void droppedFilesAreAppended();
    void previewFollowsTheClickedFile();
    void previewDecodesOffTheWindowThreadNewestClickWins();
    void previewNeverShowsAPhotoThatLeftTheList_data();
    void previewNeverShowsAPhotoThatLeftTheList();
    void dialogsStartFromTheWindowAndCancelKeepsIt_data();
    void dialogsStartFromTheWindowAndCancelKeepsIt();
    void aboutButtonShowsItsWindowModally();
    void keysReachTheButtons_data();
    void keysReachTheButtons();
    void tabFollowsTheTwoColumnsAndLeavesTheLog();
    void keysOpenTheFillColour_data();
    void keysOpenTheFillColour();
    void windowKeepsEveryControlAtItsSmallest_data();
    void windowKeepsEveryControlAtItsSmallest();
    void screenReadersLearnRoleAndName_data();
    void screenReadersLearnRoleAndName();
    void closeButtonEndsAndSaves();
    void addFolderFollowsIncludeSubfolders_data();
    void addFolderFollowsIncludeSubfolders();
    void presetChosenByKeysSetsTheControls_data();
    void presetChosenByKeysSetsTheControls();

private:
    QString photo(const QString &name, QSize size);
    void clickRow(int row);
    // Clicks the row and waits for the preview to show it.
    void previewRow(int row);

    std::unique_ptr<TempFolder> dir_;
    ScriptedPrompt prompt_;
    std::unique_ptr<TForm1> form_;
};

void TestUmain::init() {
    dir_ = std::make_unique<TempFolder>();
    prompt_ = ScriptedPrompt();
    form_ = std::make_unique<TForm1>(dir_->filePath(QStringLiteral("Quillet.ini")), &prompt_);
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

// A window left on screen would take the next test's input.
void TestUmain::cleanup() {
    form_.reset();
    qDeleteAll(qApp->findChildren<QTimer *>(QStringLiteral("whenModal")));
    for (const QWidget *w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), w->metaObject()->className());
}

QString TestUmain::photo(const QString &name, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    const QString path = dir_->filePath(name);
    if (!image.save(path, "JPEG"))
        qFatal("cannot write the test photo");
    return path;
}

void TestUmain::clickRow(int row) {
    TKEL_listbox *list = form_->KEL_listbox1;
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

void TestUmain::previewRow(int row) {
    clickRow(row);
    QTRY_VERIFY(!form_->Image1->Loading());
}

void TestUmain::everyPartIsNamed_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    const char *parts[][2] = {
        {"Panel2", "QWidget"},
        {"Splitter1", "TSplitter"},
        {"Panel4", "QWidget"},
        {"Label1", "QLabel"},
        {"Label5", "QLabel"},
        {"Panel3", "QWidget"},
        {"KEL_listbox1", "TKEL_listbox"},
        {"Splitter2", "TSplitter"},
        {"Image1", "TImage"},
        {"Label10", "QLabel"},
        {"KEL_edit5", "TKEL_edit"},
        {"KEL_grbutton3", "TKEL_grbutton"},
        {"Label3", "QLabel"},
        {"KEL_grbutton4", "TKEL_grbutton"},
        {"Label4", "QLabel"},
        {"Label7", "QLabel"},
        {"KEL_edit3", "TKEL_edit"},
        {"Label8", "QLabel"},
        {"KEL_edit4", "TKEL_edit"},
        {"CheckBox1", "QCheckBox"},
        {"CheckBox4", "QCheckBox"},
        {"Label9", "QLabel"},
        {"KEL_edit6", "TKEL_edit"},
        {"Panel1", "TColorPanel"},
        {"CheckBox2", "QCheckBox"},
        {"CheckBox3", "QCheckBox"},
        {"CheckBox5", "QCheckBox"},
        {"Label2", "QLabel"},
        {"KEL_progressbar1", "TKEL_progressbar"},
        {"Memo1", "QPlainTextEdit"},
        {"KEL_grbutton1", "TKEL_grbutton"},
        {"KEL_grbutton2", "TKEL_grbutton"},
        {"KEL_files1", "TKEL_files"},
        {"PopupMenu1", "QMenu"},
        {"Addfiles1", "QAction"},
        {"Deleteselected1", "QAction"},
        {"Cancel1", "QAction"},
    };
    for (const auto &part : parts)
        QTest::newRow(part[0]) << QString::fromLatin1(part[0]) << QString::fromLatin1(part[1]);
}

void TestUmain::everyPartIsNamed() {
    QFETCH(QString, name);
    QFETCH(QString, type);
    QObject *part = form_->findChild<QObject *>(name);
    QVERIFY2(part != nullptr, qPrintable(name));
    QVERIFY2(part->inherits(type.toLatin1()), part->metaObject()->className());
}

void TestUmain::captionsAndTexts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("bold");
    const QList<std::tuple<const char *, const char *, bool>> rows = {
        {"Label1", "Files to Convert:", true},
        {"Label5", "(Right click the list)", false},
        {"Label10", "Target folder:", true},
        {"Label3", "Settings:", true},
        {"Label4", "Output size:", false},
        {"Label7", "width", false},
        {"Label8", "height", false},
        {"Label9", "Fill color:", false},
        {"Label2", "Progress:", true},
        {"CheckBox1", "Maintain aspect ratio", false},
        {"CheckBox4", "Add this as file extension", false},
        {"CheckBox2", "Transparent", false},
        {"CheckBox3", "Allow overwrite existing files", false},
        {"CheckBox5", "Erase empty area", false},
        {"Label12", "Quality:", false},
        {"CheckBox10", "Include subfolders", false},
        {"CheckBox11", "Skip thumbnails that are up to date", false},
    };
    for (const auto &[name, text, bold] : rows)
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(text) << bold;
}

void TestUmain::captionsAndTexts() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(bool, bold);
    auto *w = form_->findChild<QWidget *>(name);
    QVERIFY(w);
    QCOMPARE(w->property("text").toString(), text);
    QCOMPARE(w->font().bold(), bold);
    // It fits whatever face the system has: it runs into neither the control to its right nor
    // its panel's edge (ctest runs this again with DejaVu alone, a face wider than the layout's).
    static const QHash<QString, QString> rightOf = {
        {"Label1", "Label5"},       {"Label4", "Label7"},  {"Label7", "KEL_edit3"},
        {"Label8", "KEL_edit4"},    {"Label9", "Panel1"},  {"CheckBox1", "CheckBox4"},
        {"CheckBox2", "CheckBox3"}, {"Label12", "Label8"}, {"CheckBox11", "KEL_grbutton2"}};
    const QWidget *next = form_->findChild<QWidget *>(rightOf.value(name, QStringLiteral("-")));
    const int needed = w->sizeHint().width(), room = next ? next->x() : w->parentWidget()->width();
    QVERIFY2(w->width() >= needed && w->x() + needed <= room,
             qPrintable(QFontInfo(w->font()).family()));
}

void TestUmain::placementAtTheStart_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("Panel2") << "Panel2" << QRect(0, 0, 417, 353);
    QTest::newRow("Splitter1") << "Splitter1" << QRect(0, 353, 417, 8);
    QTest::newRow("Panel4") << "Panel4" << QRect(0, 361, 417, 146);
    QTest::newRow("Panel3") << "Panel3" << QRect(8, 24, 395, 129);
    QTest::newRow("Image1") << "Image1" << QRect(322, 1, 72, 127);
    QTest::newRow("KEL_edit5") << "KEL_edit5" << QRect(8, 171, 310, 21);
    QTest::newRow("KEL_grbutton3") << "KEL_grbutton3" << QRect(328, 171, 80, 25);
    QTest::newRow("KEL_edit3") << "KEL_edit3" << QRect(128, 213, 80, 19);
    QTest::newRow("KEL_edit6") << "KEL_edit6" << QRect(256, 280, 153, 20);
    QTest::newRow("Panel1") << "Panel1" << QRect(88, 288, 121, 20);
    QTest::newRow("KEL_progressbar1") << "KEL_progressbar1" << QRect(8, 20, 403, 17);
    QTest::newRow("Memo1") << "Memo1" << QRect(8, 33, 403, 72);
    QTest::newRow("KEL_grbutton1") << "KEL_grbutton1" << QRect(8, 112, 80, 25);
    QTest::newRow("KEL_grbutton2") << "KEL_grbutton2" << QRect(328, 112, 80, 25);
}

void TestUmain::placementAtTheStart() {
    QFETCH(QString, name);
    QFETCH(QRect, rect);
    QCOMPARE(form_->windowTitle(), QStringLiteral("Quillet"));
    QCOMPARE(form_->findChild<QWidget *>(name)->geometry(), rect);
}

void TestUmain::resizingGrowsTheListAndTheLog() {
    const QSize list = form_->KEL_listbox1->size(), memo = form_->Memo1->size();
    const QRect edit3 = form_->KEL_edit3->geometry(), close = form_->KEL_grbutton2->geometry();
    form_->resize(form_->width() + 100, form_->height() + 60);
    QTRY_COMPARE(form_->Memo1->size(), memo + QSize(100, 60));
    QCOMPARE(form_->KEL_listbox1->size(), list + QSize(100, 0));
    QCOMPARE(form_->Panel2->height(), 353);
    QCOMPARE(form_->KEL_edit3->geometry(), edit3);
    QCOMPARE(form_->KEL_grbutton2->geometry(), close.translated(100, 60));
    QCOMPARE(form_->KEL_edit5->width(), 410);
}

void TestUmain::splitterMovesTheBorder() {
    const QRect edit3 = form_->KEL_edit3->geometry();
    const int list = form_->KEL_listbox1->height();
    TSplitter *bar = form_->Splitter1;
    QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, QPoint(100, 4));
    QTest::mouseMove(bar, QPoint(100, 24));
    QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, QPoint(100, 24));
    QTRY_COMPARE(form_->Panel2->height(), 373);
    QTRY_COMPARE(form_->KEL_edit3->geometry(), edit3.translated(0, 20));
    QCOMPARE(form_->KEL_listbox1->height(), list + 20);
    QCOMPARE(form_->Splitter1->cursor().shape(), Qt::SizeVerCursor);
}

void TestUmain::popupMenuEntries() {
    QStringList texts;
    for (QAction *a : form_->PopupMenu1->actions())
        texts << a->text();
    QCOMPARE(texts, QStringList({"Add file(s)", "Add folder", "Delete selected", "Cancel"}));
}

void TestUmain::addFilesAppendsInDialogOrder() {
    const QString a = photo(QStringLiteral("a.jpg"), {8, 8});
    const QString b = photo(QStringLiteral("b.jpg"), {8, 8});
    form_->KEL_listbox1->AddItem(a);
    QStringList filters;
    auto pick = [&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY(dialog);
        QCOMPARE(dialog->objectName(), QStringLiteral("OpenDialog1"));
        filters = dialog->nameFilters();
        dialog->setDirectory(dir_->qPath());
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))
            ->setText(QStringLiteral("\"b.jpg\" \"a.jpg\""));
        static_cast<QDialog *>(dialog)->accept();
    };
    // Made on first use, so that start-up does not pay for it.
    QVERIFY(!form_->findChild<QFileDialog *>());
    whenModal(pick);
    form_->Addfiles1->trigger();
    QCOMPARE(filters,
             QStringList({"Photos (*.jpg *.jpeg *.heic *.heif *.avif *.webp *.png *.tif *.tiff)",
                          "All files (*)"}));
    QCOMPARE(form_->KEL_listbox1->Items(), QStringList({a, b, a}));
}

void TestUmain::addFilesCancelledChangesNothing() {
    form_->KEL_listbox1->AddItem(QStringLiteral("/x.jpg"));
    whenModal([](QWidget *modal) { qobject_cast<QDialog *>(modal)->reject(); });
    form_->Addfiles1->trigger();
    QCOMPARE(form_->KEL_listbox1->Items(), QStringList({"/x.jpg"}));
}

void TestUmain::deleteSelected() {
    TKEL_listbox *list = form_->KEL_listbox1;
    list->setItems({"r0", "r1", "r2", "r3"});
    form_->Deleteselected1->trigger();
    QCOMPARE(list->Items(), QStringList({"r0", "r1", "r2", "r3"}));
    list->SetSelected(0, true);
    list->SetSelected(2, true);
    form_->Deleteselected1->trigger();
    QCOMPARE(list->Items(), QStringList({"r1", "r3"}));
}

void TestUmain::deleteKeyRemovesTheSelectedRows() {
    TKEL_listbox *list = form_->KEL_listbox1;
    list->setItems({"r0", "r1", "r2"});
    list->SetSelected(1, true);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(list->Items(), QStringList({"r0", "r2"}));
}

void TestUmain::droppedFilesAreAppended() {
    const QString a = photo(QStringLiteral("drop1.jpg"), {8, 8});
    const QString b = photo(QStringLiteral("drop2.jpg"), {8, 8});
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(b), QUrl::fromLocalFile(dir_->qPath()),
                  QUrl(QStringLiteral("https://example.org/x.jpg")), QUrl::fromLocalFile(a)});
    QWidget *target = form_->KEL_listbox1->viewport();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    // The folder stands for the photos in it, by name; the web address is passed over.
    QCOMPARE(form_->KEL_listbox1->Items(), QStringList({b, a, b, a}));
}

void TestUmain::previewFollowsTheClickedFile() {
    const QString big = photo(QStringLiteral("big.jpg"), {300, 200});
    const QString gone = photo(QStringLiteral("gone.jpg"), {10, 10});
    const QString cut = photo(QStringLiteral("cut.jpg"), {300, 200});
    const QString text = dir_->filePath(QStringLiteral("notes.txt"));
    const QString broken = dir_->filePath(QStringLiteral("broken.jpg"));
    for (const QString &name : {text, broken}) {
        QFile f(name);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a picture");
    }
    QVERIFY(QFile::remove(gone));
    QFile cutFile(cut);
    QVERIFY(cutFile.resize(cutFile.size() / 2));
    form_->KEL_listbox1->setItems({big, gone, text, big, broken, big, cut});
    TImage *image = form_->Image1;

    previewRow(0);
    // Decoded at the size shown: 72 pixels of width, at the top-left corner.
    QCOMPARE(image->NaturalSize(), QSize(300, 200));
    QCOMPARE(image->Picture().size(), QSize(72, 48) * image->devicePixelRatioF());
    QImage shown(image->size(), QImage::Format_RGB32);
    shown.fill(Qt::white);
    image->render(&shown, QPoint(), QRegion(), QWidget::DrawChildren);
    QCOMPARE(shown.pixelColor(70, 45).blue() > 100, true);
    QCOMPARE(shown.pixelColor(70, 50), QColor(Qt::white));
    previewRow(1);
    QVERIFY(!image->Picture().isNull());
    previewRow(2);
    QVERIFY(image->Picture().isNull());
    previewRow(3);
    QVERIFY(!image->Picture().isNull());
    previewRow(4);
    QVERIFY(image->Picture().isNull());
    previewRow(5);
    QVERIFY(!image->Picture().isNull());
    previewRow(6); // cut short
    QVERIFY(image->Picture().isNull());
}

// A click returns before its photo is decoded, and a newer click's photo is the one shown.
void TestUmain::previewDecodesOffTheWindowThreadNewestClickWins() {
    const QString big = photo(QStringLiteral("big.jpg"), {3000, 2000});
    const QString small = photo(QStringLiteral("small.jpg"), {30, 20});
    form_->KEL_listbox1->setItems({big, small});
    TImage *image = form_->Image1;
    clickRow(0);
    QVERIFY(image->Loading());
    QCOMPARE(image->LoadingFile(), big);
    clickRow(1);
    QTRY_VERIFY(!image->Loading());
    QCOMPARE(image->ShownFile(), small);
    QCOMPARE(image->NaturalSize(), QSize(30, 20));
    QTest::qWait(100); // a late answer for the big photo would show now
    QCOMPARE(image->ShownFile(), small);
}

// The preview shows a photo only while some row still lists it, and drops a load of one that
// has left.
void TestUmain::previewNeverShowsAPhotoThatLeftTheList_data() {
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("deleted");
    QTest::addColumn<bool>("waitForThePreview");
    QTest::addColumn<QString>("shownAfter");
    QTest::newRow("the previewed row") << QStringList{"a", "b"} << 0 << true << "";
    QTest::newRow("another row") << QStringList{"a", "b"} << 1 << true << "a";
    QTest::newRow("one of two rows of it") << QStringList{"a", "b", "a"} << 0 << true << "a";
    QTest::newRow("the row being loaded") << QStringList{"a", "b"} << 0 << false << "";
}

void TestUmain::previewNeverShowsAPhotoThatLeftTheList() {
    QFETCH(QStringList, rows);
    QFETCH(int, deleted);
    QFETCH(bool, waitForThePreview);
    QStringList items;
    for (const QString &row : rows)
        items << photo(row + QStringLiteral(".jpg"), {1200, 900});
    form_->KEL_listbox1->setItems(items);
    waitForThePreview ? previewRow(0) : clickRow(0);
    for (int row = 0; row < items.size(); ++row)
        form_->KEL_listbox1->SetSelected(row, row == deleted);
    form_->Deleteselected1->trigger();
    QTRY_VERIFY(!form_->Image1->Loading());
    QTest::qWait(50); // a late answer for a dropped load would show now
    QTEST(QFileInfo(form_->Image1->ShownFile()).completeBaseName(), "shownAfter");
    QCOMPARE(form_->Image1->Picture().isNull(), form_->Image1->ShownFile().isEmpty());
}

void TestUmain::dialogsStartFromTheWindowAndCancelKeepsIt_data() {
    QTest::addColumn<bool>("accept");
    QTest::newRow("cancelled") << false;
    QTest::newRow("confirmed") << true;
}

void TestUmain::dialogsStartFromTheWindowAndCancelKeepsIt() {
    QFETCH(bool, accept);
    if (QGuiApplication::platformName() == QLatin1String("wayland"))
        QSKIP("dialogs with a focused text box need a Wayland seat");
    const auto finish = [accept](QDialog *dialog) { accept ? dialog->accept() : dialog->reject(); };
    form_->Panel1->setColor(clRed); // as if read from the settings file
    QColor opened;
    whenModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<QColorDialog *>(modal);
        opened = dialog->currentColor();
        dialog->setCurrentColor(QColor(0, 0, 255));
        finish(dialog);
    });
    QTest::mouseClick(form_->Panel1, Qt::LeftButton);
    QCOMPARE(opened, QColor(Qt::red));
    QCOMPARE(form_->Panel1->Color(), accept ? clBlue : clRed);

    const QString chosen = dir_->filePath(QStringLiteral("thumbs"));
    QVERIFY(QDir().mkdir(chosen));
    form_->KEL_edit5->setText(dir_->qPath());
    QString title, startedIn;
    whenModal([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        title = dialog->windowTitle();
        startedIn = dialog->directory().absolutePath();
        dialog->setDirectory(chosen);
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->clear();
        finish(dialog);
    });
    form_->KEL_grbutton3->Click();
    QCOMPARE(title, QStringLiteral("Save icons to.."));
    QCOMPARE(startedIn, dir_->qPath());
    QCOMPARE(form_->KEL_edit5->Text(), accept ? chosen : dir_->qPath());
}

void TestUmain::aboutButtonShowsItsWindowModally() {
    form_->KEL_grbutton4->Click(); // nothing to show yet: returns at once
    QDialog about;
    form_->setAboutWindow(&about);
    bool wasModal = false;
    whenModal([&](QWidget *modal) {
        wasModal = modal == &about;
        about.accept();
    });
    form_->KEL_grbutton4->Click();
    QVERIFY(wasModal);
    QVERIFY(!about.isVisible());
}

void TestUmain::closeButtonEndsAndSaves() {
    form_->KEL_grbutton2->Click();
    QVERIFY(!form_->isVisible());
    form_.reset();
    QVERIFY(QFile::exists(dir_->filePath(QStringLiteral("Quillet.ini"))));
}

// From inside a text box too: the keys belong to the window. The graphic buttons take no focus
// and their tool tips name their keys.
void TestUmain::keysReachTheButtons_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("effect");
    const QKeySequence ctrlReturn(Qt::CTRL | Qt::Key_Return);
    QTest::newRow("Ctrl+Return") << "KEL_grbutton1" << ctrlReturn << "run";
    QTest::newRow("Alt+C") << "KEL_grbutton1" << QKeySequence(Qt::ALT | Qt::Key_C) << "run";
    QTest::newRow("Alt+B") << "KEL_grbutton3" << QKeySequence(Qt::ALT | Qt::Key_B) << "browse";
    QTest::newRow("Alt+A") << "KEL_grbutton4" << QKeySequence(Qt::ALT | Qt::Key_A) << "about";
    QTest::newRow("Alt+L") << "KEL_grbutton2" << QKeySequence(Qt::ALT | Qt::Key_L) << "close";
    QTest::newRow("plain Return") << "" << QKeySequence(Qt::Key_Return) << "";
}

void TestUmain::keysReachTheButtons() {
    QFETCH(QKeySequence, keys);
    QFETCH(QString, button);
    if (QGuiApplication::platformName() == QLatin1String("wayland"))
        QSKIP("simulated keys into a text box need a Wayland seat");
    form_->KEL_listbox1->AddItem(photo(QStringLiteral("key.jpg"), {40, 30}));
    QDialog about;
    form_->setAboutWindow(&about);
    QStringList effects;
    whenModal([&](QWidget *modal) {
        effects << (modal == &about ? QStringLiteral("about") : QStringLiteral("browse"));
        qobject_cast<QDialog *>(modal)->reject();
    });
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    form_->KEL_edit3->setFocus();
    QTest::keySequence(form_->windowHandle(), keys);
    QTest::qWait(50);
    if (form_->Memo1->toPlainText().contains(QStringLiteral("Finished (")))
        effects << QStringLiteral("run");
    if (!form_->isVisible())
        effects << QStringLiteral("close");
    QTEST(effects.join(QLatin1Char(' ')), "effect");
    QCOMPARE(form_->KEL_edit3->IntegerValue(), 160); // no key reached the text box
    if (!button.isEmpty()) {
        const auto *b = form_->findChild<TKEL_grbutton *>(button);
        QCOMPARE(b->focusPolicy(), Qt::NoFocus);
        QVERIFY2(b->toolTip().contains(keys.toString(QKeySequence::NativeText)),
                 qPrintable(b->toolTip()));
    }
}

// Tab goes down the left column, then down the right one, through the log and back to the
// list; the log takes no typing but selects and copies.
void TestUmain::tabFollowsTheTwoColumnsAndLeavesTheLog() {
    if (QGuiApplication::platformName() == QLatin1String("wayland"))
        QSKIP("simulated keys need a Wayland seat");
    form_->WriteLog(QStringLiteral("a line"));
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    form_->KEL_listbox1->setFocus();
    const auto focused = [this] {
        QWidget *w = form_->focusWidget();
        // A mode edit's or a spin box's own text box.
        while (w && (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_"))))
            w = w->parentWidget();
        return w ? w->objectName() : QString();
    };
    QStringList order{focused()};
    for (int i = 0; i < 20; ++i) {
        if (focused() == QLatin1String("Memo1")) {
            const QString log = form_->Memo1->toPlainText();
            for (const char c : {'t', 'y', 'p', 'e', 'd'})
                QTest::keyClick(form_->windowHandle(), c);
            QCOMPARE(form_->Memo1->toPlainText(), log);
            QTest::keySequence(form_->windowHandle(), QKeySequence::SelectAll);
            QTest::keySequence(form_->windowHandle(), QKeySequence::Copy);
            QCOMPARE(QGuiApplication::clipboard()->text().right(6), QStringLiteral("a line"));
        }
        QTest::keyClick(form_->windowHandle(), Qt::Key_Tab);
        order << focused();
    }
    // The presets' list is passed over while the settings file has none.
    QCOMPARE(order,
             QStringList({"KEL_listbox1", "CheckBox10", "KEL_edit5", "KEL_edit3", "KEL_edit4",
                          "SpinBox1",     "CheckBox1",  "Panel1",    "CheckBox2", "CheckBox5",
                          "ComboBox1",    "CheckBox9",  "CheckBox6", "CheckBox7", "CheckBox4",
                          "KEL_edit6",    "CheckBox3",  "CheckBox8", "Memo1",     "CheckBox11",
                          "KEL_listbox1"}));
}

// The swatch opens the colour dialog from the keyboard, and its tool tip names the keys.
void TestUmain::keysOpenTheFillColour_data() {
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<bool>("swatchFocused");
    QTest::newRow("Space on the swatch") << QKeySequence(Qt::Key_Space) << true;
    QTest::newRow("Alt+F from a text box") << QKeySequence(Qt::ALT | Qt::Key_F) << false;
}

void TestUmain::keysOpenTheFillColour() {
    QFETCH(QKeySequence, keys);
    QFETCH(bool, swatchFocused);
    if (QGuiApplication::platformName() == QLatin1String("wayland"))
        QSKIP("simulated keys need a Wayland seat");
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    (swatchFocused ? static_cast<QWidget *>(form_->Panel1) : form_->KEL_edit3)->setFocus();
    whenModal([](QWidget *modal) {
        auto *dialog = qobject_cast<QColorDialog *>(modal);
        dialog->setCurrentColor(QColor(0, 0, 255));
        dialog->accept();
    });
    QTest::keySequence(form_->windowHandle(), keys);
    QTRY_COMPARE(form_->Panel1->Color(), clBlue);
    QCOMPARE(form_->Panel1->focusPolicy(), Qt::StrongFocus);
    QVERIFY2(form_->Panel1->toolTip().contains(
                 QKeySequence(Qt::ALT | Qt::Key_F).toString(QKeySequence::NativeText)),
             qPrintable(form_->Panel1->toolTip()));
}

// Shrunk far below its design, the window keeps every control whole and apart.
void TestUmain::windowKeepsEveryControlAtItsSmallest_data() {
    QTest::addColumn<int>("splitterDrag");
    QTest::newRow("upper panel dragged up") << -400;
    QTest::newRow("upper panel dragged down") << 400;
}

void TestUmain::windowKeepsEveryControlAtItsSmallest() {
    QFETCH(int, splitterDrag);
    QWindow *window = form_->windowHandle();
    const QPoint bar = form_->Splitter1->geometry().center();
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, bar);
    QTest::mouseMove(window, bar + QPoint(0, splitterDrag));
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, bar + QPoint(0, splitterDrag));
    form_->resize(10, 10);
    QCoreApplication::processEvents();
    QCOMPARE(form_->size(), form_->minimumSize());
    QVERIFY(form_->KEL_listbox1->height() >= 3 * 16 && form_->Memo1->height() >= 40);
    for (QWidget *panel : {form_->Panel2, form_->Panel4})
        for (QWidget *w : panel->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            const QRect r(w->mapTo(form_.get(), QPoint(0, 0)), w->size());
            QVERIFY2(!r.isEmpty() && form_->rect().contains(r), qPrintable(w->objectName()));
        }
    QVERIFY(form_->KEL_edit5->y() > form_->Panel3->geometry().bottom());
    QVERIFY(!form_->KEL_grbutton1->geometry().intersects(form_->KEL_grbutton2->geometry()));
}

// One row per kind of control.
void TestUmain::screenReadersLearnRoleAndName_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("previewed"); // a photo shown first
    QTest::addColumn<int>("fill");
    const QString none;
    QTest::newRow("window") << "Form1" << int(QAccessible::Window) << "Quillet" << none << 0;
    QTest::newRow("list") << "KEL_listbox1" << int(QAccessible::List) << "Files to Convert" << none
                          << 0;
    QTest::newRow("image") << "Image1" << int(QAccessible::Graphic) << "Preview" << none << 0;
    QTest::newRow("image with a photo")
        << "Image1" << int(QAccessible::Graphic) << "Preview: beach.jpg"
        << "beach.jpg" << 0;
    QTest::newRow("edit") << "KEL_edit5" << int(QAccessible::EditableText) << "Target folder"
                          << none << 0;
    QTest::newRow("button") << "KEL_grbutton3" << int(QAccessible::Button) << "Browse" << none << 0;
    QTest::newRow("colour panel") << "Panel1" << int(QAccessible::Button) << "Fill color: black"
                                  << none << 0;
    QTest::newRow("colour panel, other colour")
        << "Panel1" << int(QAccessible::Button) << "Fill color: red 1, green 2, blue 250" << none
        << int(rgbColor(1, 2, 250));
    QTest::newRow("progress") << "KEL_progressbar1" << int(QAccessible::ProgressBar) << "Progress"
                              << none << 0;
    QTest::newRow("splitter") << "Splitter1" << int(QAccessible::Splitter) << "" << none << 0;
}

void TestUmain::screenReadersLearnRoleAndName() {
    QFETCH(QString, control);
    QFETCH(int, role);
    QFETCH(QString, name);
    QFETCH(QString, previewed);
    QFETCH(int, fill);
    if (!previewed.isEmpty()) {
        form_->KEL_listbox1->AddItem(photo(previewed, {40, 30}));
        previewRow(0);
    }
    if (fill != 0)
        form_->Panel1->setColor(fill);
    QWidget *widget =
        control == QLatin1String("Form1") ? form_.get() : form_->findChild<QWidget *>(control);
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
    QVERIFY(iface);
    QCOMPARE(int(iface->role()), role);
    QCOMPARE(iface->text(QAccessible::Name), name);
}

// "Add folder" lists the chosen folder's photos: down its tree, each by its path there, with
// "Include subfolders" on; else those directly inside, by their whole paths.
void TestUmain::addFolderFollowsIncludeSubfolders_data() {
    QTest::addColumn<bool>("subfolders");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("with subfolders") << true << QStringList{"a.jpg", "sub/b.jpg"};
    QTest::newRow("without") << false << QStringList{"lib/a.jpg"};
}

void TestUmain::addFolderFollowsIncludeSubfolders() {
    QFETCH(bool, subfolders);
    QFETCH(QStringList, rows);
    if (QGuiApplication::platformName() == QLatin1String("wayland"))
        QSKIP("dialogs with a focused text box need a Wayland seat");
    QVERIFY(QDir(dir_->qPath()).mkpath(QStringLiteral("lib/sub")));
    photo(QStringLiteral("lib/a.jpg"), {8, 8});
    photo(QStringLiteral("lib/sub/b.jpg"), {8, 8});
    form_->CheckBox10->setChecked(subfolders);
    whenModal([this](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        dialog->setDirectory(dir_->filePath(QStringLiteral("lib")));
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->clear();
        static_cast<QDialog *>(dialog)->accept();
    });
    form_->Addfolder1->trigger();
    QCOMPARE(form_->KEL_listbox1->Items().replaceInStrings(dir_->qPath() + "/", QString()), rows);
}

// Each Down on the presets' list applies the next preset over the controls; a key a preset
// lacks leaves its control, the quality follows the format, and the file keeps the presets.
void TestUmain::presetChosenByKeysSetsTheControls_data() {
    QTest::addColumn<int>("downs");
    QTest::addColumn<QString>("shown");
    QTest::newRow("several sizes: the first")
        << 1 << "320x240 WebP quality 70 on, smooth .thumb.jpg";
    QTest::newRow("then a lossless one") << 2 << "1024x768 PNG quality 70 off, smooth .print.jpg";
}

void TestUmain::presetChosenByKeysSetsTheControls() {
    QFETCH(int, downs);
    QFETCH(QString, shown);
    if (QGuiApplication::platformName() == QLatin1String("wayland"))
        QSKIP("simulated keys need a Wayland seat");
    const QString ini = form_->SettingsFileName();
    form_.reset();
    const QByteArray presets = "[preset web]\nsizes=320x240 640x480\nformat=webp\nquality=70\n"
                               "smooth=1\n[Preset Print]\nwidth=1024\nheight=0x300\nformat=png\n"
                               "extension=.print.jpg\n";
    QFile file(ini);
    QVERIFY(file.open(QIODevice::Append) && file.write(presets) == presets.size());
    file.close();
    form_ = std::make_unique<TForm1>(ini, &prompt_);
    form_->show();
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    QCOMPARE(form_->ComboBox2->count(), 2);
    QCOMPARE(form_->ComboBox2->itemText(1), QStringLiteral("Print"));
    form_->ComboBox2->setFocus();
    for (int i = 0; i < downs; ++i)
        QTest::keyClick(form_->windowHandle(), Qt::Key_Down);
    const TForm1 &f = *form_;
    QCOMPARE(QStringLiteral("%1x%2 %3 quality %4 %5, %6 %7")
                 .arg(f.KEL_edit3->Text(), f.KEL_edit4->Text(), f.ComboBox1->currentText())
                 .arg(f.SpinBox1->value())
                 .arg(f.SpinBox1->isEnabled() ? "on" : "off",
                      f.CheckBox6->isChecked() ? "smooth" : "sharp", f.KEL_edit6->Text()),
             shown);
    form_.reset();
    QFile saved(ini);
    QVERIFY(saved.open(QIODevice::ReadOnly) && saved.readAll().contains(presets));
}

QUILLET_GUI_TEST_MAIN(TestUmain)
#include "test_umain.moc"
