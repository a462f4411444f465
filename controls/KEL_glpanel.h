#pragma once
// A panel that is also an OpenGL surface. Its owner draws frames with a few fixed-function
// operations between BeginFrame and EndFrame; a pacing thread can run the owner's frame event
// at a steady rate. Until the first frame the panel shows its own face: colour and caption.
#include "KEL_common.h"
#include "KEL_gldrawthread.h"

#include <QOpenGLWidget>
#include <QPointer>

#include <functional>
#include <vector>

class QSurfaceFormat;

class TKEL_glpanel : public QOpenGLWidget {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE setCaption)
    Q_PROPERTY(int Color READ Color WRITE setColor)
    Q_PROPERTY(QString Version READ Version CONSTANT)
    Q_PROPERTY(bool Init READ Init)
    Q_PROPERTY(int Background READ Background WRITE setBackground)
    Q_PROPERTY(bool WireFrame READ WireFrame WRITE setWireFrame)
    Q_PROPERTY(bool AutoAspect READ AutoAspect WRITE setAutoAspect)
    Q_PROPERTY(int AxisLength READ AxisLength WRITE setAxisLength)
    Q_PROPERTY(int AxisColorZ READ AxisColorZ WRITE setAxisColorZ)
    Q_PROPERTY(int AxisColorX READ AxisColorX WRITE setAxisColorX)
    Q_PROPERTY(int AxisColorY READ AxisColorY WRITE setAxisColorY)
    Q_PROPERTY(bool ThreadActive READ ThreadActive WRITE setThreadActive)
    Q_PROPERTY(TKEL_glpanelevent ThreadEvent READ ThreadEvent WRITE setThreadEvent)
    Q_PROPERTY(TThreadPriority ThreadPriority READ ThreadPriority WRITE setThreadPriority)
    Q_PROPERTY(int ThreadDelay READ ThreadDelay WRITE setThreadDelay)
public:
    enum TThreadPriority {
        tpIdle,
        tpLowest,
        tpLower,
        tpNormal,
        tpHigher,
        tpHighest,
        tpTimeCritical
    };
    Q_ENUM(TThreadPriority)

    // The surface the panel needs (compatibility profile, depth buffer); make it the default
    // before the application object exists.
    static QSurfaceFormat SurfaceFormat();
    // Whether the platform can show a panel at all: an X server or a Wayland compositor can,
    // the offscreen platform crashes on a shown OpenGL widget.
    static bool PlatformShowsPanels();
    static QThread::Priority ToQThreadPriority(TThreadPriority p);

    explicit TKEL_glpanel(QWidget *parent = nullptr);
    // Stops every draw thread first, so no event runs for a panel on its way out.
    ~TKEL_glpanel() override;

    QString Caption() const { return caption_; }
    void setCaption(const QString &caption);
    TColor Color() const { return color_; }
    void setColor(TColor c);

    static QString Version();
    // True once the OpenGL context has been set up (the panel has been shown).
    bool Init() const { return init_; }
    // Read by the next BeginFrame.
    TColor Background() const { return background_; }
    void setBackground(TColor c) { background_ = c; }
    bool WireFrame() const { return wireFrame_; }
    void setWireFrame(bool on) { wireFrame_ = on; }
    bool AutoAspect() const { return autoAspect_; }
    void setAutoAspect(bool on) { autoAspect_ = on; }
    // Stored for the windows that set them; nothing draws axes.
    int AxisLength() const { return axisLength_; }
    void setAxisLength(int length) { axisLength_ = length; }
    TColor AxisColorZ() const { return axisColorZ_; }
    void setAxisColorZ(TColor c) { axisColorZ_ = c; }
    TColor AxisColorX() const { return axisColorX_; }
    void setAxisColorX(TColor c) { axisColorX_ = c; }
    TColor AxisColorY() const { return axisColorY_; }
    void setAxisColorY(TColor c) { axisColorY_ = c; }

    // True starts a new draw thread with copies of ThreadDelay, ThreadEvent and
    // ThreadPriority; False asks it to stop without waiting. Repeating a value does nothing.
    bool ThreadActive() const { return threadActive_; }
    void setThreadActive(bool on);
    const TKEL_glpanelevent &ThreadEvent() const { return threadEvent_; }
    void setThreadEvent(TKEL_glpanelevent event) { threadEvent_ = std::move(event); }
    TThreadPriority ThreadPriority() const { return threadPriority_; }
    void setThreadPriority(TThreadPriority p) { threadPriority_ = p; }
    int ThreadDelay() const { return threadDelay_; }
    void setThreadDelay(int milliseconds) { threadDelay_ = milliseconds; }
    // The thread started last, while it exists.
    TKEL_gldrawthread *DrawThread() const { return drawThread_; }

    // Frame operations. A frame is recorded from BeginFrame to EndFrame, then shown and kept
    // for repaints; operations outside a frame draw nothing.
    void SetColor(TColor c);
    void PushMatrix();
    void PopMatrix();
    void Translate(float x, float y, float z);
    void Rotate(float angle, float x, float y, float z);
    // False, drawing nothing, while there is no context.
    bool DrawQuad(double x1, double y1, double z1, TColor c1, double x2, double y2, double z2,
                  TColor c2, double x3, double y3, double z3, TColor c3, double x4, double y4,
                  double z4, TColor c4);
    void BeginFrame();
    void EndFrame();
    bool FrameBegun() const { return frameBegun_; }

signals:
    // Raised by BeginFrame once the frame is prepared.
    void OnDraw3d(QObject *Sender);

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    using GlCall = std::function<void()>;

    // Only a begun frame takes calls; outside one there is nothing to draw into.
    void record(GlCall call) {
        if (frameBegun_)
            recording_.push_back(std::move(call));
    }
    void paintFace();
    void retireThreads();

    QString caption_ = QStringLiteral("KEL_GLPANEL");
    TColor color_ = clBtnFace;

    bool init_ = false;
    bool wireFrame_ = false;
    TColor background_ = clBlack;
    bool frameBegun_ = false;
    bool autoAspect_ = true;
    int axisLength_ = 0;
    TColor axisColorZ_ = clBlack;
    TColor axisColorX_ = clBlack;
    TColor axisColorY_ = clBlack;
    QPointer<TKEL_gldrawthread> drawThread_;
    bool threadActive_ = false;
    TKEL_glpanelevent threadEvent_;
    TThreadPriority threadPriority_ = tpIdle;
    int threadDelay_ = 0;

    float eye_[3] = {5, 5, 5};
    float centre_[3] = {0, 0, 0};
    float up_[3] = {0, 0, 1};
    float fieldOfView_ = 45;
    float aspect_ = 1;
    float nearPlane_ = 0.1f;
    float farPlane_ = 100;

    // The frame being drawn, and the last one shown, replayed on every repaint.
    std::vector<GlCall> recording_;
    std::vector<GlCall> shown_;
    QMetaObject::Connection contextGone_;
    // Painting the face with QPainter changes OpenGL state that frames rely on.
    bool restoreState_ = false;
};
