#pragma once
// One window holding the program's own windows side by side, each under a heading, and the
// controls in settings no window uses.
#include <QTemporaryDir>
#include <QWidget>

#include <memory>

class TForm1;
class Tfabout;
class Tfupdate;

class GalleryWindow : public QWidget {
    Q_OBJECT
public:
    explicit GalleryWindow(QWidget *parent = nullptr);
    ~GalleryWindow() override;

private:
    // The main window reads and writes its settings file here, not beside the gallery.
    QTemporaryDir settings_;
    // The About window's scene where the platform has no OpenGL: out of the window, never
    // shown, and gone after the window that still refers to it.
    std::unique_ptr<QWidget> sceneAside_;
    // Declared after the folder, so they are gone before it.
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<Tfabout> about_;
    std::unique_ptr<Tfupdate> update_;
};
