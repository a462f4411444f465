#pragma once
// A raised panel that shows one colour and reports clicks: the fill colour swatch.
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

private:
    TColor color_ = clBtnFace;
    bool pressed_ = false;
};
