#include "KEL_glpanel.h"

#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>
#include <QSurfaceFormat>

#include <GL/gl.h>
#include <GL/glu.h>

namespace {

// A new panel's size, before its window gives it its own.
constexpr int newWidth = 185;
constexpr int newHeight = 41;

// The state every frame starts from.
void applyInitialState() {
    glDisable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glEnable(GL_DEPTH_TEST);
    glClearDepth(1.0);
    glDepthFunc(GL_LESS);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

// The colour's bytes as they are: a system colour is not resolved.
void glColorOf(TColor c) {
    glColor3ub(GLubyte(c & 0xFF), GLubyte((c >> 8) & 0xFF), GLubyte((c >> 16) & 0xFF));
}

} // namespace

QSurfaceFormat TKEL_glpanel::SurfaceFormat() {
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setDepthBufferSize(24);
    return format;
}

bool TKEL_glpanel::PlatformShowsPanels() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"));
}

QThread::Priority TKEL_glpanel::ToQThreadPriority(TThreadPriority p) {
    static constexpr QThread::Priority map[] = {
        QThread::IdlePriority,        QThread::LowestPriority, QThread::LowPriority,
        QThread::NormalPriority,      QThread::HighPriority,   QThread::HighestPriority,
        QThread::TimeCriticalPriority};
    return map[p];
}

TKEL_glpanel::TKEL_glpanel(QWidget *parent) : QOpenGLWidget(parent) {
    resize(newWidth, newHeight);
    aspect_ = float(double(newWidth) / newHeight);
}

TKEL_glpanel::~TKEL_glpanel() {
    retireThreads();
    // The base class destroys the context after this part of the panel is gone.
    disconnect(contextGone_);
}

// A thread whose event is running right now (the event is destroying this panel) cannot
// be waited for: it is let go, to end and delete itself once the event returns.
void TKEL_glpanel::retireThreads() {
    for (auto *thread : findChildren<TKEL_gldrawthread *>(Qt::FindDirectChildrenOnly)) {
        if (thread->Ticking()) {
            thread->Terminate();
            thread->setParent(nullptr);
        } else {
            delete thread;
        }
    }
}

QString TKEL_glpanel::Version() {
    return QStringLiteral("r1.07/quillet-controls@quillet.org");
}

void TKEL_glpanel::setCaption(const QString &caption) {
    if (caption == caption_)
        return;
    caption_ = caption;
    update();
}

void TKEL_glpanel::setColor(TColor c) {
    if (c == color_)
        return;
    color_ = c;
    update();
}

void TKEL_glpanel::setThreadActive(bool on) {
    if (on == threadActive_)
        return;
    threadActive_ = on;
    if (!on) {
        if (drawThread_)
            drawThread_->Terminate();
        return;
    }
    auto *thread = new TKEL_gldrawthread(threadDelay_, threadEvent_, this);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    drawThread_ = thread;
    thread->start(ToQThreadPriority(threadPriority_));
}

void TKEL_glpanel::SetColor(TColor c) {
    record([c] { glColorOf(c); });
}

void TKEL_glpanel::PushMatrix() {
    record([] { glPushMatrix(); });
}

void TKEL_glpanel::PopMatrix() {
    record([] { glPopMatrix(); });
}

void TKEL_glpanel::Translate(float x, float y, float z) {
    record([=] { glTranslatef(x, y, z); });
}

void TKEL_glpanel::Rotate(float angle, float x, float y, float z) {
    record([=] { glRotatef(angle, x, y, z); });
}

bool TKEL_glpanel::DrawQuad(double x1, double y1, double z1, TColor c1, double x2, double y2,
                            double z2, TColor c2, double x3, double y3, double z3, TColor c3,
                            double x4, double y4, double z4, TColor c4) {
    if (!init_)
        return false;
    struct Corner {
        float x, y, z;
        TColor c;
        GLfloat s, t;
    };
    const Corner corners[4] = {{float(x1), float(y1), float(z1), c1, 0, 0},
                               {float(x2), float(y2), float(z2), c2, 1, 0},
                               {float(x3), float(y3), float(z3), c3, 1, 1},
                               {float(x4), float(y4), float(z4), c4, 0, 1}};
    record([corners] {
        glBegin(GL_QUADS);
        for (const Corner &k : corners) {
            glColorOf(k.c);
            glTexCoord2f(k.s, k.t);
            glVertex3f(k.x, k.y, k.z);
        }
        glEnd();
    });
    return true;
}

void TKEL_glpanel::BeginFrame() {
    if (!init_)
        return;
    // A panel without height keeps its last aspect rather than dividing by zero.
    if (autoAspect_ && height() > 0)
        aspect_ = float(double(width()) / double(height()));
    const qreal scale = devicePixelRatio();
    const GLsizei w = GLsizei(width() * scale), h = GLsizei(height() * scale);
    const GLdouble fov = fieldOfView_, aspect = aspect_, zNear = nearPlane_, zFar = farPlane_;
    const GLfloat red = GLfloat(background_ & 0xFF) / 255.0f;
    const GLfloat green = GLfloat((background_ & 0xFF00) / 256) / 255.0f;
    const GLfloat blue = GLfloat((background_ & 0xFF0000) / 65536) / 255.0f;
    const GLenum polygonMode = wireFrame_ ? GL_LINE : GL_FILL;
    const float *e = eye_, *c = centre_, *u = up_;
    const GLdouble view[9] = {e[0], e[1], e[2], c[0], c[1], c[2], u[0], u[1], u[2]};

    recording_.clear();
    frameBegun_ = true;
    record([=] {
        glViewport(0, 0, w, h);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(fov, aspect, zNear, zFar);
        glMatrixMode(GL_MODELVIEW);
        glClearColor(red, green, blue, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        gluLookAt(view[0], view[1], view[2], view[3], view[4], view[5], view[6], view[7], view[8]);
        glPolygonMode(GL_FRONT_AND_BACK, polygonMode);
    });
    emit OnDraw3d(this);
}

// The frame goes to the screen with the next paint and is kept for later repaints.
void TKEL_glpanel::EndFrame() {
    if (!init_ || !frameBegun_)
        return;
    frameBegun_ = false;
    shown_ = std::move(recording_);
    recording_.clear();
    update();
}

void TKEL_glpanel::initializeGL() {
    applyInitialState();
    init_ = true;
    // A new window (reparenting) brings a new context: until it is set up, no frame.
    disconnect(contextGone_);
    contextGone_ = connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] {
        init_ = false;
        frameBegun_ = false;
    });
}

void TKEL_glpanel::paintGL() {
    if (shown_.empty()) {
        paintFace();
        return;
    }
    if (restoreState_) {
        QOpenGLContext::currentContext()->functions()->glUseProgram(0);
        applyInitialState();
        restoreState_ = false;
    }
    for (const GlCall &call : shown_)
        call();
}

// A plain panel's face: its colour, a one-pixel raised bevel and the caption centred.
void TKEL_glpanel::paintFace() {
    QPainter painter(this);
    PaintPanelFace(painter, rect(), color_);
    painter.setPen(ToQColor(clWindowText));
    painter.drawText(rect(), Qt::AlignCenter, caption_);
    restoreState_ = true;
}
