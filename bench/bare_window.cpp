// The yardstick for the start-up benchmark: an empty top-level QWidget of the main window's
// client size, nothing else.
#include <QApplication>
#include <QWidget>

int main(int argc, char **argv) {
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Quillet bare window"));
    window.resize(417, 507);
    window.show();
    return application.exec();
}
