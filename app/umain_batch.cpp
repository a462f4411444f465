// The batch run behind Convert and its log.
#include "umain.h"

#include "KEL_edit.h"
#include "KEL_grbutton.h"
#include "KEL_listbox.h"
#include "KEL_progressbar.h"
#include "batchcore.h"
#include "colorpanel.h"
#include "filenames.h"
#include "logtext.h"
#include "offthread.h"
#include "prompt.h"
#include "runinput.h"
#include "settingsstamp.h"
#include "statustext.h"
#include "targetplan.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QSpinBox>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

QString quoted(const QString &text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// Converts one photo again on a thread of its own while this one keeps painting.
BatchResult convertNow(ThumbnailBatch &batch, std::size_t index) {
    BatchResult result;
    std::atomic<bool> done = false;
    std::thread worker([&] {
        result = batch.convertNow(index);
        done = true;
        WakeGuiThread();
    });
    KeepPaintingUntil([&] { return done.load(); });
    worker.join();
    return result;
}

} // namespace

void TForm1::WriteLog(const QString &Message) {
    // Memo1 holds at most 501 lines (its block limit), so the oldest goes first.
    Memo1->appendPlainText(LogLine(QTime::currentTime(), Message, QLocale::system()));
}

// The walk over the list stays on this thread, in order, with every question and log line;
// the photos are converted into memory ahead of it on worker threads. A thumbnail reaches the
// disk only when the walk has come to its photo and settled its target.
void TForm1::KEL_grbutton1Click() {
    if (running_ || KEL_listbox1->ItemCount() == 0 || !boxIsValid())
        return;
    beginRun();
    const TRunInputBlocker dropInput(this, [this] { StopRun(); });
    QElapsedTimer clock;
    clock.start();
    const OutputFormat format = OutputFormat(ComboBox1->currentIndex());
    const TargetNaming naming{NativeName(KEL_edit5->Text()), CheckBox4->isChecked(),
                              NativeName(KEL_edit6->Text()), format};
    // The settings cannot change while the run holds the window; the fill colour is resolved
    // here because the palette belongs to this thread.
    ThumbnailRequest request;
    request.width = KEL_edit3->IntegerValue();
    request.height = KEL_edit4->IntegerValue();
    request.keepAspect = CheckBox1->isChecked();
    request.fill = ResolveColor(Panel1->Color());
    request.transparent = CheckBox2->isChecked();
    request.eraseEmpty = CheckBox5->isChecked();
    request.extras = {CheckBox6->isChecked(), CheckBox7->isChecked(), CheckBox8->isChecked()};
    request.format = format;
    request.quality = SpinBox1->value();
    request.srgb = CheckBox9->isChecked();
    // Up-to-date thumbnails are found before the start, so their photos are never read.
    const bool update = CheckBox11->isChecked();
    const std::string stamp = update ? SettingsStampOf(request) : std::string();
    const int n = KEL_listbox1->ItemCount();
    std::vector<BatchJob> jobs;
    QStringList targets;
    std::vector<bool> current;
    for (int i = 0; i < n; ++i) {
        const std::string source = NativeName(PhotoPath(i));
        const std::string target = ThumbnailTargetPath(source, naming, photoRelative(i));
        targets << NameFromBytes(target);
        current.push_back(update && ThumbnailIsCurrent(source, target, stamp));
        jobs.push_back({source, {}, !current.back()});
    }
    BatchOptions options;
    options.workers = batchWorkers_;
    options.wake = WakeGuiThread;
    options.stamp = update;
    ThumbnailBatch batch(std::move(jobs), request, options);

    for (int i = 0; i < n; ++i) {
        if (stopRequested_) {
            interruptRun();
            break;
        }
        KEL_progressbar1->setPosition(double(i) / KEL_listbox1->ItemCount() * 100);
        KEL_progressbar1->repaint();
        const QString source = PhotoPath(i);
        WriteLog(QStringLiteral("Converting file ") + source + QStringLiteral(".."));
        const QString &target = targets[i];
        if (current[std::size_t(i)]) {
            batch.discard(std::size_t(i));
            WriteLog(QStringLiteral("Skipped ") + target + QStringLiteral(", up to date."));
            continue;
        }

        BatchResult thumbnail;
        const TargetDecision decision = settleTarget(target, batch, i, thumbnail);
        if (decision == TargetDecision::Skip)
            continue;
        if (decision == TargetDecision::Stop) {
            interruptRun();
            break;
        }
        ThumbnailStatus status = thumbnail.status;
        // A walked folder's tree is mirrored in the target folder as it is written.
        if (status) {
            if (int error = MakeTargetFolders(naming.folder, NativeName(target)))
                status = {ThumbnailError::Target, error};
            else
                status = batch.write(NativeName(target), thumbnail);
        }
        if (status) {
            WriteLog(QStringLiteral("Thumbnail ") + target + QStringLiteral(" done."));
            if (!thumbnail.status.message.empty())
                WriteLog(QStringLiteral(".. ") + NameFromBytes(thumbnail.status.message));
            continue;
        }
        WriteLog(QStringLiteral("Failed to create thumbnail of ") + target + QLatin1Char('.'));
        WriteLog(QStringLiteral(".. ") +
                 NameFromBytes(
                     DescribeStatus(status, {NativeName(source), NativeName(target), request.width,
                                             request.height, options.memoryLimit})));
        if (!prompt_->Confirm(QStringLiteral("Failed to convert ") + quoted(source) +
                              QStringLiteral(" to thumbnail, Interrupt process?")) &&
            !stopRequested_) {
            WriteLog(QStringLiteral("Skipped ") + target + QLatin1Char('.'));
            continue;
        }
        interruptRun();
        break;
    }
    // Workers still busy on photos the run will not reach end with their current one.
    batch.stop();
    KeepPaintingUntil([&] { return batch.finished(); });
    endRun(clock.elapsed());
}

TForm1::TargetDecision TForm1::askAboutExistingTarget(const QString &target, FileState &seen) {
    seen = LookAtTarget(NativeName(target));
    if (!seen.exists)
        return TargetDecision::Write;
    WriteLog(QStringLiteral(".. File ") + target + QStringLiteral(" already exists."));
    if (existingTargets_ == ExistingTargets::Ask) {
        switch (prompt_->ConfirmSeries(QStringLiteral("File ") + quoted(target) +
                                       QStringLiteral(" already exists, Overwrite file?"))) {
        case TPrompt::Answer::YesToAll:
            existingTargets_ = ExistingTargets::OverwriteAll;
            break;
        case TPrompt::Answer::NoToAll:
            existingTargets_ = ExistingTargets::SkipAll;
            break;
        case TPrompt::Answer::Yes:
            WriteLog(QStringLiteral(".. Overwriting ") + target);
            return TargetDecision::Write;
        case TPrompt::Answer::No:
            return afterKeepingTarget();
        }
    }
    if (existingTargets_ == ExistingTargets::OverwriteAll) {
        WriteLog(QStringLiteral(".. Overwriting ") + target);
        return TargetDecision::Write;
    }
    WriteLog(QStringLiteral("Skipped ") + target + QLatin1Char('.'));
    return TargetDecision::Skip;
}

TForm1::TargetDecision TForm1::afterKeepingTarget() {
    // A stop asked for while the question was open is the answer to the next one.
    if (stopRequested_)
        return TargetDecision::Stop;
    return prompt_->Confirm(QStringLiteral("Continue process?")) ? TargetDecision::Skip
                                                                 : TargetDecision::Stop;
}

TForm1::TargetDecision TForm1::settleTarget(const QString &target, ThumbnailBatch &batch, int index,
                                            BatchResult &thumbnail) {
    // As quillet-thumb --update: what is not up to date is made anew without a question.
    const bool overwrite = CheckBox3->isChecked() || CheckBox11->isChecked();
    const auto next = std::size_t(index);
    bool taken = false;
    for (;;) {
        FileState seen;
        if (!overwrite) {
            const TargetDecision decision = askAboutExistingTarget(target, seen);
            if (decision != TargetDecision::Write) {
                if (!taken)
                    batch.discard(next);
                return decision;
            }
        }
        if (!taken) {
            // A stop does not wait for a photo still being converted: it is left unwritten.
            KeepPaintingUntil([&] { return batch.ready(next) || stopRequested_; });
            if (!batch.ready(next)) {
                batch.discard(next);
                return TargetDecision::Stop;
            }
            thumbnail = batch.take(next);
            taken = true;
            // A photo that changed after it was read ahead is read again, as it is now.
            if (LookAtFile(batch.source(next)) != thumbnail.read)
                thumbnail = convertNow(batch, next);
        }
        // What is replaced must be what the decision was about: a file that appeared, went
        // or changed while the photo was converted or a question was open is asked about anew.
        if (overwrite || !thumbnail.status || LookAtTarget(NativeName(target)) == seen)
            return TargetDecision::Write;
    }
}

bool TForm1::boxIsValid() {
    QStringList invalid;
    for (const auto &[edit, name] : {std::pair{KEL_edit3, "width"}, std::pair{KEL_edit4, "height"}})
        if (edit->IntegerValue() < 1)
            invalid << QString::fromLatin1(name);
    if (invalid.isEmpty())
        return true;
    prompt_->Inform(QStringLiteral("The output ") + invalid.join(QStringLiteral(" and ")) +
                    QStringLiteral(" must be at least 1 pixel."));
    (invalid.first() == QLatin1String("width") ? KEL_edit3 : KEL_edit4)->setFocus();
    return false;
}

void TForm1::StopRun() {
    if (!running_)
        return;
    stopRequested_ = true;
    WakeGuiThread();
}

void TForm1::beginRun() {
    running_ = true;
    stopRequested_ = false;
    existingTargets_ = ExistingTargets::Ask;
    KEL_grbutton1->setEnabled(false);
    KEL_grbutton2->setEnabled(false);
    KEL_grbutton1->setCursor(Qt::WaitCursor);
    KEL_listbox1->setCursor(Qt::WaitCursor);
}

void TForm1::interruptRun() {
    WriteLog(QStringLiteral("Process interrupted."));
    // A stop by Esc, the close box or a signal needs no box to tell of it.
    if (!stopRequested_)
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
