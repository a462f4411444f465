#pragma once
// A raised panel that shows one colour and reports clicks: the fill colour swatch. It takes
// focus, and Space then counts as a click.
#include "colors.h"

#include <QWidget>

class TColorPanel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Color READ Color WRITE setColor)
public:
    explicit TColorPanel(QWidget *parent = nullptr);

    TColor Color() const { return color_; }
    void setColor(TColor color);

signals:
    void OnClick();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    TColor color_ = clBtnFace;
    bool pressed_ = false;
};
