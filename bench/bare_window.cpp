// The yardsticks for the start-up benchmark: an empty top-level QWidget of the main window's
// client size, and with --caption the same window showing one line of text, which is the
// first text measurement and so the font set-up every window with text pays for.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char **argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Quillet bare window"));
    window.resize(417, 507);
    if (application.arguments().contains(QStringLiteral("--caption")))
        (new QLabel(QStringLiteral("Files to Convert:"), &window))->move(8, 8);
    window.show();
    return application.exec();
}
