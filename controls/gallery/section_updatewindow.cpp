// The Update window's log, Close button and download bar, showing a finished download.
#include "sections.h"

#include "KEL_grbutton.h"
#include "KEL_listbox.h"
#include "formbuild.h"

#include <QProgressBar>

namespace gallery {

void buildUpdateWindowSection(QWidget *client) {
    plainLabel(client, QStringLiteral("Progress:"), {8, 8});

    auto *log = create<TKEL_listbox>(client, "KEL_listbox1", QRect(8, 24, 361, 81));
    log->setFont(tahoma());
    log->setItemHeight(16);
    log->setColor(clWhite);
    log->setLineColoring(true);
    log->setLineColorOdd(13421772);
    log->setLineColorEven(clWhite);
    log->setLineColorSelected(clYellow);
    log->setTextColorSelected(clBlack);
    log->setMouseOverColor(clWhite);
    log->setProgressExists(false);
    log->setProgressColor(clLime);
    log->setColumnSeparator(QStringLiteral("||"));
    log->setColumnDefaultWidth(92);
    log->setColumnCount(0);
    log->setFontSynchronize(true);
    // Newest line first, as the log inserts them.
    log->setItems({QStringLiteral("File downloaded succesfully."),
                   QStringLiteral("Downloading file.."), QStringLiteral("File size received"),
                   QStringLiteral("Reply received"), QStringLiteral("Get file request sent"),
                   QStringLiteral("Connected."),
                   QStringLiteral("Re-connecting to localhost:4995.."),
                   QStringLiteral("Update available (b7)."), QStringLiteral("Reply received"),
                   QStringLiteral("Build info request sent"), QStringLiteral("Connected"),
                   QStringLiteral("Connecting to localhost:4995..")});

    auto *close = create<TKEL_grbutton>(client, "KEL_grbutton1", QRect(8, 120, 80, 17));
    close->setCaption(QStringLiteral("Close"));
    close->setBorderWidth(1);
    close->setColor(8454143);
    close->setColorBorder(clNavy);
    close->setColorOver(clSilver);
    close->setColorDown(clGray);
    close->setFont(tahoma(clBlack));
    close->setFontMouseOver(tahoma(clRed, true));
    close->setLedExists(false);
    close->setShowCaption(true);
    close->setWordWrap(false);
    close->setAlignmentV(TKEL_grbutton::va_center);
    close->setShowHint(true);

    // The download bar is the toolkit's own progress bar.
    auto *download = new QProgressBar(client);
    download->setGeometry(96, 120, 273, 16);
    download->setTextVisible(false);
    download->setValue(100);
}

} // namespace gallery
