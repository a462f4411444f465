// The batch run behind Convert and its log.
#include "umain.h"

#include "KEL_edit.h"
#include "KEL_grbutton.h"
#include "KEL_listbox.h"
#include "KEL_progressbar.h"
#include "colorpanel.h"
#include "logtext.h"
#include "offthread.h"
#include "prompt.h"
#include "targetname.h"
#include "uthumbnail.h"

#include <QCheckBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>

#include <exception>

namespace {

QString quoted(const QString &text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

bool isExistingFile(const QString &name) {
    return !name.isEmpty() && QFileInfo(name).isFile();
}

} // namespace

void TForm1::WriteLog(const QString &Message) {
    // Memo1 holds at most 501 lines (its block limit), so the oldest goes first.
    Memo1->appendPlainText(LogLine(QTime::currentTime(), Message, QLocale::system()));
}

void TForm1::KEL_grbutton1Click() {
    if (running_ || KEL_listbox1->ItemCount() == 0)
        return;
    beginRun();
    QElapsedTimer clock;
    clock.start();
    const QString folder = KEL_edit5->Text();
    const int n = KEL_listbox1->ItemCount();
    for (int i = 0; i < n; ++i) {
        KEL_progressbar1->setPosition(double(i) / KEL_listbox1->ItemCount() * 100);
        KEL_progressbar1->repaint();
        const QString source = KEL_listbox1->ItemText(i);
        WriteLog(QStringLiteral("Converting file ") + source + QStringLiteral(".."));
        const QString target =
            ThumbnailTargetName(source, folder, CheckBox4->isChecked(), KEL_edit6->Text());

        bool skip = false;
        if (!CheckBox3->isChecked() && isExistingFile(target)) {
            WriteLog(QStringLiteral(".. File ") + target + QStringLiteral(" already exists."));
            if (prompt_->Confirm(QStringLiteral("File ") + quoted(target) +
                                 QStringLiteral(" already exists, Overwrite file?"))) {
                WriteLog(QStringLiteral(".. Overwriting ") + target);
            } else if (prompt_->Confirm(QStringLiteral("Continue process?"))) {
                skip = true;
            } else {
                interruptRun();
                break;
            }
        }
        if (skip)
            continue;
        if (convertOne(i, target)) {
            WriteLog(QStringLiteral("Thumbnail ") + target + QStringLiteral(" done."));
            continue;
        }
        WriteLog(QStringLiteral("Failed to create thumbnail of ") + target + QLatin1Char('.'));
        if (!prompt_->Confirm(QStringLiteral("Failed to convert ") + quoted(source) +
                              QStringLiteral(" to thumbnail, Interrupt process?"))) {
            WriteLog(QStringLiteral("Skipped ") + target + QLatin1Char('.'));
            continue;
        }
        interruptRun();
        break;
    }
    endRun(clock.elapsed());
}

void TForm1::beginRun() {
    running_ = true;
    KEL_grbutton1->setEnabled(false);
    KEL_grbutton2->setEnabled(false);
    KEL_grbutton1->setCursor(Qt::WaitCursor);
    KEL_listbox1->setCursor(Qt::WaitCursor);
}

bool TForm1::convertOne(int index, const QString &target) {
    const int width = KEL_edit3->IntegerValue();
    const int height = KEL_edit4->IntegerValue();
    const std::string source = QFile::encodeName(KEL_listbox1->ItemText(index)).toStdString();
    const std::string targetName = QFile::encodeName(target).toStdString();
    const bool keepAspect = CheckBox1->isChecked();
    // Resolved here: the palette belongs to this thread, not to the worker.
    const TColor fill = ResolveColor(Panel1->Color());
    const bool transparent = CheckBox2->isChecked();
    const bool eraseEmpty = CheckBox5->isChecked();
    // The engine reports failure as false; should it ever throw (out of memory), the file
    // counts as failed, so the run still ends in order and gives the window back.
    return RunOffGuiThread([=] {
        try {
            return CreateThumbnail(source, targetName, width, height, keepAspect, fill, transparent,
                                   eraseEmpty);
        } catch (const std::exception &) {
            return false;
        }
    });
}

void TForm1::interruptRun() {
    WriteLog(QStringLiteral("Process interrupted."));
    prompt_->Inform(QStringLiteral("Process Interrupted!"));
}

void TForm1::endRun(qint64 elapsedMs) {
    KEL_progressbar1->setPosition(0);
    WriteLog(QStringLiteral("Finished (") + SecondsText(elapsedMs / 1000.0, QLocale::system()) +
             QStringLiteral("s)."));
    KEL_grbutton1->setEnabled(true);
    KEL_grbutton2->setEnabled(true);
    KEL_grbutton1->unsetCursor();
    KEL_listbox1->unsetCursor();
    running_ = false;
    // A close that came during the run takes effect now.
    if (closeRequested_) {
        closeRequested_ = false;
        close();
    }
}
