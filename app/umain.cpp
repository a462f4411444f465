#include "umain.h"

#include "KEL_edit.h"
#include "KEL_files.h"
#include "KEL_grbutton.h"
#include "KEL_listbox.h"
#include "KEL_progressbar.h"
#include "colorpanel.h"
#include "commandline.h"
#include "defaults.h"
#include "filefilter.h"
#include "filenames.h"
#include "outputformat.h"
#include "photoformats.h"
#include "presetfile.h"
#include "previewimage.h"
#include "prompt.h"
#include "settingsfile.h"
#include "settingslocation.h"
#include "sourcewalk.h"
#include "windowaccessible.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDropEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QShortcut>
#include <QSpinBox>
#include <QUrl>

#include <exception>

namespace {

// The local files and folders among dropped items, in the order they were dropped. The path
// is taken from its percent-encoded bytes: a name that is not UTF-8 keeps its bytes.
QStringList droppedFiles(const QMimeData *mime) {
    QStringList files;
    if (mime == nullptr)
        return files;
    for (const QUrl &url : mime->urls()) {
        if (!url.isLocalFile())
            continue;
        const QString name =
            NameFromBytes(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
        const NameKind kind = KindOf(name);
        if (kind == NameKind::File || kind == NameKind::Folder)
            files << name;
    }
    return files;
}

// A row's photo when the row shows its path under a walked folder instead.
constexpr int kPathRole = Qt::UserRole;

} // namespace

TForm1::TForm1(const QString &settingsFileName, TPrompt *prompt, QWidget *parent)
    : QWidget(parent), settingsFileName_(settingsFileName), prompt_(prompt) {
    setObjectName(QStringLiteral("Form1"));
    InstallWindowAccessibility();
    if (prompt_ == nullptr) {
        ownPrompt_ = std::make_unique<TMessageBoxPrompt>(this);
        prompt_ = ownPrompt_.get();
    }
    buildWindow();
    connectHandlers();
    // An error while the window is being made is reported, and start-up goes on.
    try {
        FormCreate();
    } catch (const std::exception &error) {
        prompt_->ReportError(QString::fromLocal8Bit(error.what()));
    }
    // The native window is made now, before the About window (a child window holding an
    // OpenGL panel) is created under this one: Qt 6.4 looks through every child, windows
    // included, and would make the main window OpenGL-composited, loading the whole GL
    // driver at start.
    if (isWindow())
        create();
}

TForm1::~TForm1() {
    // A refused save is reported and the program still ends.
    try {
        FormDestroy();
    } catch (const std::exception &error) {
        prompt_->ReportError(QString::fromLocal8Bit(error.what()));
    }
}

void TForm1::connectHandlers() {
    connect(Addfiles1, &QAction::triggered, this, &TForm1::Addfiles1Click);
    connect(Addfolder1, &QAction::triggered, this, &TForm1::Addfolder1Click);
    connect(ComboBox2, &QComboBox::activated, this, &TForm1::applyPreset);
    // The quality means nothing to a lossless format.
    connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this](int format) {
        const bool lossy = FormatIsLossy(OutputFormat(format));
        Label12->setEnabled(lossy);
        SpinBox1->setEnabled(lossy);
    });
    connect(Deleteselected1, &QAction::triggered, this, &TForm1::Deleteselected1Click);
    connect(KEL_grbutton1, &TKEL_grbutton::OnClick, this, &TForm1::KEL_grbutton1Click);
    connect(KEL_grbutton2, &TKEL_grbutton::OnClick, this, &TForm1::KEL_grbutton2Click);
    connect(KEL_grbutton3, &TKEL_grbutton::OnClick, this, &TForm1::KEL_grbutton3Click);
    connect(KEL_grbutton4, &TKEL_grbutton::OnClick, this, &TForm1::KEL_grbutton4Click);
    connect(KEL_listbox1, &TKEL_listbox::OnClick, this, &TForm1::KEL_listbox1Click);
    connect(Panel1, &TColorPanel::OnClick, this, &TForm1::Panel1Click);
    // The preview shows the photo as the thumbnails will have it.
    connect(CheckBox7, &QCheckBox::toggled, Image1, &TImage::setUpright);
    connect(KEL_listbox1, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        PopupMenu1->popup(KEL_listbox1->viewport()->mapToGlobal(at));
    });
    KEL_listbox1->installEventFilter(this);
    KEL_listbox1->viewport()->installEventFilter(this);
    // The keypad's Enter as well as Return.
    for (const QKeySequence &keys : {ConvertKeys(), QKeySequence(Qt::CTRL | Qt::Key_Enter)})
        connect(new QShortcut(keys, this), &QShortcut::activated, KEL_grbutton1,
                &TKEL_grbutton::Click);
}

QKeySequence TForm1::ConvertKeys() {
    return QKeySequence(Qt::CTRL | Qt::Key_Return);
}

void TForm1::FormCreate() {
    exeFolder_ = QCoreApplication::applicationDirPath();
    if (settingsFileName_.isEmpty())
        settingsFileName_ = SettingsFileFor(exeFolder_);
    const BatchDefaults &d = kDefaults;
    Panel1->setColor(d.fill.firstStart);
    KEL_edit3->setText(QString::number(d.width.firstStart));
    KEL_edit4->setText(QString::number(d.height.firstStart));
    KEL_progressbar1->setPosition(0);
    CheckBox4->setChecked(d.addSuffix.firstStart);
    CheckBox3->setChecked(d.overwrite.firstStart);
    CheckBox1->setChecked(d.keepAspect.firstStart);
    CheckBox2->setChecked(d.transparent.firstStart);
    // The suffix, the folder and the boxes no settings key sets here start from the table too.
    KEL_edit6->setText(QString::fromUtf8(d.suffix.firstStart));
    KEL_edit5->setText(QString::fromUtf8(d.targetFolder.firstStart));
    CheckBox5->setChecked(d.eraseEmpty.firstStart);
    CheckBox6->setChecked(d.smooth.firstStart);
    CheckBox7->setChecked(d.upright.firstStart);
    CheckBox8->setChecked(d.keepProfile.firstStart);
    ComboBox1->setCurrentIndex(int(d.format.firstStart));
    SpinBox1->setValue(d.quality.firstStart);
    CheckBox9->setChecked(d.srgb.firstStart);
    CheckBox10->setChecked(d.recursive.firstStart);
    CheckBox11->setChecked(d.update.firstStart);
    loadSettings();
    listPresets();
}

void TForm1::FormDestroy() {
    saveSettings();
}

void TForm1::loadSettings() {
    const std::optional<TSettings> s = LoadSettings(NativeName(settingsFileName_));
    if (!s)
        return;
    KEL_edit3->setText(QString::number(s->width));
    KEL_edit4->setText(QString::number(s->height));
    KEL_edit6->setText(NameFromBytes(s->extension));
    KEL_edit5->setText(NameFromBytes(s->targetfolder));
    CheckBox4->setChecked(s->addextension);
    CheckBox3->setChecked(s->overwrite);
    Panel1->setColor(s->fillcolor);
    CheckBox1->setChecked(s->maintainaspect);
    CheckBox2->setChecked(s->transparent);
    CheckBox6->setChecked(s->smooth);
    CheckBox7->setChecked(s->upright);
    CheckBox8->setChecked(s->keepprofile);
    // An unknown format name or a quality out of range gives the default, as a bad number does.
    const BatchDefaults &d = kDefaults;
    ComboBox1->setCurrentIndex(int(FormatNamed(s->format).value_or(d.format.missingKey)));
    SpinBox1->setValue(s->quality >= 1 && s->quality <= 100 ? s->quality : d.quality.missingKey);
    CheckBox9->setChecked(s->srgb);
    CheckBox10->setChecked(s->subfolders);
    CheckBox11->setChecked(s->update);
}

void TForm1::saveSettings() {
    TSettings s;
    s.width = KEL_edit3->IntegerValue();
    s.height = KEL_edit4->IntegerValue();
    s.extension = NativeName(KEL_edit6->Text());
    s.targetfolder = NativeName(KEL_edit5->Text());
    s.addextension = CheckBox4->isChecked();
    s.overwrite = CheckBox3->isChecked();
    s.fillcolor = Panel1->Color();
    s.maintainaspect = CheckBox1->isChecked();
    s.transparent = CheckBox2->isChecked();
    s.smooth = CheckBox6->isChecked();
    s.upright = CheckBox7->isChecked();
    s.keepprofile = CheckBox8->isChecked();
    s.format = FormatName(OutputFormat(ComboBox1->currentIndex()));
    s.quality = SpinBox1->value();
    s.srgb = CheckBox9->isChecked();
    s.subfolders = CheckBox10->isChecked();
    s.update = CheckBox11->isChecked();
    CreateSettingsFolder(settingsFileName_);
    SaveSettings(NativeName(settingsFileName_), s);
}

void TForm1::appendFiles(const QStringList &fileNames) {
    for (const QString &name : fileNames) {
        if (KindOf(name) != NameKind::Folder)
            KEL_listbox1->AddItem(name);
        else if (CheckBox10->isChecked())
            appendTree(name);
        else
            for (const QString &photo : PhotoFilesIn(name))
                KEL_listbox1->AddItem(photo);
    }
}

// The walk of quillet-thumb -r: the same photos, paths and refusals of links and loops.
void TForm1::appendTree(const QString &folder) {
    for (const SourceEntry &entry :
         ListSources({NativeName(AbsoluteName(folder))}, true, HasPhotoExtension)) {
        const QString path = NameFromBytes(entry.path);
        if (!entry.skipped.empty()) {
            WriteLog(QStringLiteral("Skipped folder ") + path + QStringLiteral(": ") +
                     NameFromBytes(entry.skipped) + QLatin1Char('.'));
            continue;
        }
        KEL_listbox1->AddItem(NameFromBytes(entry.relative));
        QListWidgetItem *row = KEL_listbox1->item(KEL_listbox1->ItemCount() - 1);
        row->setData(kPathRole, path);
        // A screen reader reads the row as shown, then the whole path, as a tool tip shows it.
        row->setData(Qt::AccessibleDescriptionRole, path);
        row->setToolTip(path);
    }
}

QString TForm1::PhotoPath(int row) const {
    const QListWidgetItem *item = KEL_listbox1->item(row);
    const QVariant path = item ? item->data(kPathRole) : QVariant();
    return path.isValid() ? path.toString() : KEL_listbox1->ItemText(row);
}

std::string TForm1::photoRelative(int row) const {
    const QListWidgetItem *item = KEL_listbox1->item(row);
    return item && item->data(kPathRole).isValid() ? NativeName(item->text()) : std::string();
}

QStringList TForm1::photoPaths() const {
    QStringList paths;
    for (int row = 0; row < KEL_listbox1->ItemCount(); ++row)
        paths << PhotoPath(row);
    return paths;
}

void TForm1::listPresets() {
    ComboBox2->clear();
    for (const std::string &name : PresetNames(NativeName(settingsFileName_)))
        ComboBox2->addItem(NameFromBytes(name));
    const bool any = ComboBox2->count() > 0;
    ComboBox2->setCurrentIndex(-1);
    ComboBox2->setPlaceholderText(any ? QStringLiteral("Preset") : QStringLiteral("No presets"));
    ComboBox2->setEnabled(any);
}

// The preset fills the controls, and the list names it as the last one chosen; what the user
// changes afterwards changes the controls only, never the preset's section.
void TForm1::applyPreset(int index) {
    const QString name = ComboBox2->itemText(index);
    PresetValues v;
    v.sizes = {{KEL_edit3->IntegerValue(), KEL_edit4->IntegerValue()}};
    v.suffix = NativeName(KEL_edit6->Text());
    v.targetFolder = NativeName(KEL_edit5->Text());
    v.addSuffix = CheckBox4->isChecked();
    v.overwrite = CheckBox3->isChecked();
    v.fill = Panel1->Color();
    v.keepAspect = CheckBox1->isChecked();
    v.transparent = CheckBox2->isChecked();
    v.extras = {CheckBox6->isChecked(), CheckBox7->isChecked(), CheckBox8->isChecked()};
    v.format = OutputFormat(ComboBox1->currentIndex());
    v.quality = SpinBox1->value();
    v.srgb = CheckBox9->isChecked();
    std::string error;
    if (!ApplyPresetFile(NativeName(settingsFileName_), NativeName(name), v, error)) {
        WriteLog(NameFromBytes(error)); // the file changed since the list was read
        return;
    }
    // The window makes one size: a preset's first.
    KEL_edit3->setText(QString::number(v.sizes.front().width));
    KEL_edit4->setText(QString::number(v.sizes.front().height));
    KEL_edit6->setText(NameFromBytes(v.suffix));
    KEL_edit5->setText(NameFromBytes(v.targetFolder));
    CheckBox4->setChecked(v.addSuffix);
    CheckBox3->setChecked(v.overwrite);
    Panel1->setColor(v.fill);
    CheckBox1->setChecked(v.keepAspect);
    CheckBox2->setChecked(v.transparent);
    CheckBox6->setChecked(v.extras.smooth);
    CheckBox7->setChecked(v.extras.upright);
    CheckBox8->setChecked(v.extras.keepProfile);
    ComboBox1->setCurrentIndex(int(v.format));
    SpinBox1->setValue(v.quality);
    CheckBox9->setChecked(v.srgb);
    WriteLog(QStringLiteral("Settings of preset ") + name + QStringLiteral(" applied."));
}

void TForm1::Addfiles1Click() {
    QFileDialog *dialog = openDialog();
    dialog->setNameFilters(NameFiltersFromFilter(
        QStringLiteral("Photos (*.jpg *.jpeg *.heic *.heif *.avif *.webp *.png *.tif *.tiff)|"
                       "*.jpg;*.jpeg;*.heic;*.heif;*.avif;*.webp;*.png;*.tif;*.tiff|"
                       "All files (*.*)|*.*")));
    if (dialog->exec() != QDialog::Accepted)
        return;
    QStringList files;
    for (const QString &name : dialog->selectedFiles())
        files << RecoverName(name);
    appendFiles(files);
}

void TForm1::Addfolder1Click() {
    const QString folder =
        KEL_files1->BrowseFolder(QStringLiteral("Add the photos of.."), QString(), false);
    if (!folder.isEmpty())
        appendFiles({folder});
}

void TForm1::Deleteselected1Click() {
    KEL_listbox1->DeleteSelected();
    Image1->KeepOnly(photoPaths());
}

void TForm1::KEL_grbutton2Click() {
    close();
}

void TForm1::Panel1Click() {
    // Opened on the panel's colour, so OK without a choice keeps it whatever set it.
    QColorDialog *dialog = colorDialog();
    dialog->setCurrentColor(ToQColor(Panel1->Color()));
    if (dialog->exec() != QDialog::Accepted)
        return;
    const QColor chosen = dialog->selectedColor();
    Panel1->setColor(rgbColor(chosen.red(), chosen.green(), chosen.blue()));
}

void TForm1::KEL_grbutton3Click() {
    // The browser answers a cancel with an empty path: that keeps the folder as it was.
    const QString folder =
        KEL_files1->BrowseFolder(QStringLiteral("Save icons to.."), KEL_edit5->Text(), false);
    if (!folder.isEmpty())
        KEL_edit5->setText(folder);
}

void TForm1::setAboutWindow(QDialog *about) {
    aboutWindow_ = about;
}

void TForm1::KEL_grbutton4Click() {
    if (aboutWindow_)
        aboutWindow_->exec();
}

void TForm1::KEL_listbox1Click() {
    const int row = KEL_listbox1->ItemIndex();
    if (row < 0)
        return;
    const QString fileName = PhotoPath(row);
    // A file that has gone leaves the preview as it was.
    if (KindOf(fileName) == NameKind::File)
        Image1->LoadFromFile(fileName);
}

void TForm1::closeEvent(QCloseEvent *event) {
    // Nothing may go away under a running batch: the run stops after the photo in hand,
    // and the window closes as it ends.
    if (running_) {
        closeRequested_ = true;
        StopRun();
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

bool TForm1::eventFilter(QObject *watched, QEvent *event) {
    if (watched == KEL_listbox1 && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete && !running_) {
        Deleteselected1Click();
        return true;
    }
    if (watched != KEL_listbox1->viewport())
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *drag = static_cast<QDragMoveEvent *>(event);
        if (running_ || droppedFiles(drag->mimeData()).isEmpty())
            drag->ignore();
        else
            drag->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *drop = static_cast<QDropEvent *>(event);
        const QStringList files = droppedFiles(drop->mimeData());
        if (running_ || files.isEmpty()) {
            drop->ignore();
        } else {
            appendFiles(files);
            drop->acceptProposedAction();
        }
        return true;
    }
    default:
        return QWidget::eventFilter(watched, event);
    }
}
