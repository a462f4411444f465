// The Update window: its controls as designed, the log newest first, one conversation per
// showing, a Close that interrupts a download, and an error that reaches the
// application's report with the connection cut only when the window closes.
#include "KEL_grbutton.h"
#include "KEL_listbox.h"
#include "KEL_processend.h"
#include "scriptedserver.h"
#include "uupdate.h"

#include "tempfolder.h"

#include <QApplication>
#include <QFileDialog>
#include <QProgressBar>
#include <QTimer>
#include <QtTest>

#include <fstream>

namespace {

// Stands in for the program's application object: records what reaches the error report.
class ReportingApplication : public QApplication {
public:
    using QApplication::QApplication;
    QString reported;
    bool notify(QObject *receiver, QEvent *event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception &error) {
            reported = QString::fromLocal8Bit(error.what());
        }
        return false;
    }
};

QString top(const Tfupdate &w) {
    return w.KEL_listbox1->ItemCount() ? w.KEL_listbox1->ItemText(0) : QString();
}

} // namespace

class TestUpdateWindow : public QObject {
    Q_OBJECT
private slots:
    void builds_the_window_as_designed();
    void logs_newest_first_once_per_showing();
    void close_during_download_interrupts_it_data();
    void close_during_download_interrupts_it();
    void conversion_error_is_reported_and_close_disconnects();
    void shown_inside_another_window_it_asks_no_server();
};

void TestUpdateWindow::builds_the_window_as_designed() {
    Tfupdate w([] { return 1; });
    QCOMPARE(w.windowTitle(), QStringLiteral("Update"));
    QCOMPARE(w.minimumSize(), QSize(380, 148));
    QCOMPARE(w.maximumSize(), QSize(380, 148));
    const std::pair<const char *, QRect> bounds[] = {{"Label1", QRect(8, 8, 46, 13)},
                                                     {"KEL_listbox1", QRect(8, 24, 361, 81)},
                                                     {"KEL_grbutton1", QRect(8, 120, 80, 17)},
                                                     {"ProgressBar1", QRect(96, 120, 273, 16)}};
    for (const auto &[name, rect] : bounds)
        QCOMPARE(w.findChild<QWidget *>(name)->geometry(), rect);
    QVERIFY(!w.findChild<QFileDialog *>("SaveDialog1")); // made on first use
    QCOMPARE(w.KEL_listbox1->LineColorOdd(), 13421772);
    QCOMPARE(w.KEL_grbutton1->Color(), 8454143);
    QCOMPARE(w.Server.port, std::string("4995"));
}

void TestUpdateWindow::logs_newest_first_once_per_showing() {
    ScriptedServer server({{{"YES\r\n57\r\n"}}});
    Tfupdate w([] { return 57; });
    w.Server = {"127.0.0.1", server.port()};
    const QString where = QStringLiteral("127.0.0.1:%1..").arg(server.port().c_str());
    w.show();
    QTRY_COMPARE(top(w), QStringLiteral("No update available at the moment (b57)."));
    QCOMPARE(w.KEL_listbox1->Items(),
             QStringList({"No update available at the moment (b57).", "Reply received",
                          "Build info request sent", "Connected", "Connecting to " + where}));
    QCOMPARE(w.KEL_listbox1->ItemIndex(), -1);

    // A further activation of the same showing starts nothing.
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&w, &activate);
    QTest::qWait(50);
    QCOMPARE(w.KEL_listbox1->ItemCount(), 5);
    QCOMPARE(server.requests().size(), std::size_t(1));

    // Reopened, the old log stands until the new conversation clears it.
    w.close();
    QVERIFY(!w.isVisible());
    w.show();
    QCOMPARE(w.KEL_listbox1->ItemCount(), 5);
    QTRY_COMPARE(top(w), QStringLiteral("Failed to connect."));
    QCOMPARE(w.KEL_listbox1->Items(),
             QStringList({"Failed to connect.", "Connecting to " + where}));
    w.close();
}

void TestUpdateWindow::close_during_download_interrupts_it_data() {
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Close button") << false;
    QTest::newRow("close box") << true;
}

void TestUpdateWindow::close_during_download_interrupts_it() {
    QFETCH(bool, closeBox);
    TempFolder dir;
    const QString target = dir.filePath(QStringLiteral("QuilletInstall.exe"));
    std::ofstream(dir.file("QuilletInstall.exe")) << "the previous installer";
    // The server sends a part of the installer, then falls silent for longer than the test.
    ScriptedServer server(
        {{{"YES\r\n57\r\n"}}, {{"YES\r\n200000\r\n", std::string(10000, 'a')}, true}});
    Tfupdate w([] { return 56; });
    w.Server = {"127.0.0.1", server.port()};

    bool closed = false;
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&] {
        if (auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget())) {
            dialog->selectFile(target);
            static_cast<QDialog *>(dialog)->accept();
        }
        if (w.ProgressBar1->value() == 10000 && !closed) {
            closed = true;
            if (closeBox) {
                w.windowHandle()->close();
            } else {
                const QPoint at = w.KEL_grbutton1->geometry().center();
                QTest::mousePress(w.windowHandle(), Qt::LeftButton, {}, at);
                QTest::mouseRelease(w.windowHandle(), Qt::LeftButton, {}, at);
            }
        }
    });
    answer.start(5);
    w.show();
    QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), 5000);
    QCOMPARE(w.KEL_listbox1->Items().mid(0, 2),
             QStringList({"Updating interrupted", "Downloading file.."}));
    QVERIFY(!w.TcpClient1.Connected());
    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("the previous installer"));
    QCOMPARE(dir.names(), std::set<std::string>{"QuilletInstall.exe"}); // no partial download
}

void TestUpdateWindow::conversion_error_is_reported_and_close_disconnects() {
    auto *app = static_cast<ReportingApplication *>(QCoreApplication::instance());
    ScriptedServer server({{{"YES\r\n58a\r\n"}, true}});
    Tfupdate w([] { return 56; });
    w.Server = {"127.0.0.1", server.port()};
    w.show();
    QTRY_COMPARE(app->reported, QStringLiteral("'58a' is not a valid integer value"));
    QCOMPARE(top(w), QStringLiteral("Reply received"));
    QVERIFY(w.isVisible());
    QVERIFY(w.TcpClient1.Connected());
    w.KEL_grbutton1Click();
    QVERIFY(!w.isVisible());
    QVERIFY(!w.TcpClient1.Connected());
}

void TestUpdateWindow::shown_inside_another_window_it_asks_no_server() {
    ScriptedServer server({{{"YES\r\n57\r\n"}}});
    QWidget gallery;
    Tfupdate w([] { return 56; });
    w.Server = {"127.0.0.1", server.port()};
    w.setParent(&gallery, Qt::Widget);
    gallery.show();
    QVERIFY(QTest::qWaitForWindowExposed(&gallery));
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&w, &activate);
    QTest::qWait(100);
    QCOMPARE(w.KEL_listbox1->ItemCount(), 0);
    QVERIFY(server.requests().empty());
}

int main(int argc, char **argv) {
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    ReportingApplication app(argc, argv);
    int status = 0;
    {
        TestUpdateWindow test;
        status = QTest::qExec(&test, argc, argv);
    }
    return EndProgram(status);
}

#include "test_uupdate.moc"
