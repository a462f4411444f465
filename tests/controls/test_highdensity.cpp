// Every control at a scale factor of 2, as on a high-density screen: it covers twice its size
// in device pixels (in proportion), and its text and edges are drawn at that resolution
// (sharp) rather than drawn at its size and enlarged, which leaves every 2 x 2 block of
// device pixels one colour.
#include "KEL_edit.h"
#include "KEL_grbutton.h"
#include "KEL_label.h"
#include "KEL_listbox.h"
#include "KEL_progressbar.h"

#include <QApplication>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

using Factory = std::function<QWidget *()>;

// The controls with something to draw, each at a size the windows give it.
const QMap<QString, Factory> &controls() {
    static const QMap<QString, Factory> all{
        {QStringLiteral("progress bar"),
         [] {
             auto *bar = new TKEL_progressbar;
             bar->resize(200, 17);
             bar->setShowText(true);
             bar->setPosition(40);
             return bar;
         }},
        {QStringLiteral("graphic button"),
         [] {
             auto *button = new TKEL_grbutton;
             button->resize(80, 25);
             button->setCaption(QStringLiteral("Convert"));
             return button;
         }},
        {QStringLiteral("shadow label"),
         [] {
             auto *label = new TKEL_label;
             label->setCaption(QStringLiteral("Quillet"));
             return label;
         }},
        {QStringLiteral("mode edit box"),
         [] {
             auto *edit = new TKEL_edit;
             edit->resize(120, 21);
             edit->setText(QStringLiteral("/home/photos"));
             return edit;
         }},
        {QStringLiteral("column list box"),
         [] {
             auto *list = new TKEL_listbox;
             list->resize(200, 60);
             list->setItems({QStringLiteral("a.jpg"), QStringLiteral("b.jpg")});
             return list;
         }},
    };
    return all;
}

// The share of aligned 2 x 2 blocks of device pixels that hold more than one colour.
double detailedBlocks(const QImage &image) {
    int blocks = 0, detailed = 0;
    for (int y = 0; y + 1 < image.height(); y += 2) {
        for (int x = 0; x + 1 < image.width(); x += 2) {
            const QRgb c = image.pixel(x, y);
            ++blocks;
            if (image.pixel(x + 1, y) != c || image.pixel(x, y + 1) != c ||
                image.pixel(x + 1, y + 1) != c)
                ++detailed;
        }
    }
    return blocks == 0 ? 0.0 : double(detailed) / blocks;
}

} // namespace

class TestHighDensity : public QObject {
    Q_OBJECT
private slots:
    void sharpAndInProportion_data() {
        QTest::addColumn<QString>("control");
        for (const QString &name : controls().keys())
            QTest::newRow(qPrintable(name)) << name;
    }
    void sharpAndInProportion() {
        QFETCH(QString, control);
        const std::unique_ptr<QWidget> widget(controls().value(control)());
        widget->show();
        QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
        QCOMPARE(widget->devicePixelRatioF(), 2.0);
        const QImage image = widget->grab().toImage();
        QCOMPARE(image.size(), widget->size() * 2);
        QVERIFY2(detailedBlocks(image) > 0.01,
                 qPrintable(QStringLiteral("%1: drawn at half resolution").arg(control)));
    }
};

int main(int argc, char **argv) {
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestHighDensity test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_highdensity.moc"
