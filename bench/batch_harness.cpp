// Runs the main window's batch over the photos named on the command line, with the window's
// own code and no display, and prints how long the run took.
//
//   batch_harness WORKERS OUTPUT_FOLDER PHOTO...
//
// Existing thumbnails are replaced without a question; a failed photo is passed over.
#include "KEL_edit.h"
#include "KEL_grbutton.h"
#include "KEL_listbox.h"
#include "prompt.h"
#include "umain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

class PassOver : public TPrompt {
public:
    bool Confirm(const QString &) override { return false; } // "Interrupt process?" No
    Answer ConfirmSeries(const QString &) override { return Answer::No; }
    void Inform(const QString &) override {}
    void ReportError(const QString &text) override {
        std::fprintf(stderr, "%s\n", qPrintable(text));
    }
};

} // namespace

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s WORKERS OUTPUT_FOLDER PHOTO...\n", argv[0]);
        return 2;
    }
    QTemporaryDir settings;
    PassOver prompt;
    TForm1 form(settings.filePath(QStringLiteral("Quillet.ini")), &prompt);
    form.setBatchWorkers(std::atoi(argv[1]));
    form.KEL_edit5->setText(QString::fromLocal8Bit(argv[2]));
    for (int i = 3; i < argc; ++i)
        form.KEL_listbox1->AddItem(QString::fromLocal8Bit(argv[i]));
    form.show();

    QElapsedTimer clock;
    clock.start();
    form.KEL_grbutton1->Click();
    const double seconds = double(clock.elapsed()) / 1000;

    const QString log = form.Memo1->toPlainText();
    const qsizetype done = log.count(QStringLiteral(" done."));
    std::printf("%.2f s, %lld of %d thumbnails written\n", seconds, static_cast<long long>(done),
                argc - 3);
    return done == argc - 3 ? 0 : 1;
}
