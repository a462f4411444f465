#include "aboutscene.h"

#include "KEL_glpanel.h"

#include <cmath>

void DrawAboutScene(TKEL_glpanel &panel, float t) {
    // The angles swing between -360 and 360 degrees (periods of about 12.6 s and 6.3 s);
    // the translation circles once every 1.26 s.
    const double ms = t;
    panel.BeginFrame();
    panel.PushMatrix();
    panel.Rotate(float(std::cos(ms / 2000) * 360), 1, 0, 0);
    panel.Rotate(float(std::cos(ms / 1000) * 360), 0, 1, 0);
    panel.Translate(float(5 * std::sin(ms / 200)), float(5 * std::cos(ms / 200)), 0);
    // Corner 4 is off the plane of the other three: the quadrilateral is twisted.
    panel.DrawQuad(-2, -2, -2, 0x00FFFF, -2, -2, 2, 0x008000, -2, 2, 2, 0x0000FF, 2, 2, 2,
                   0xFF0000);
    panel.PopMatrix();
    panel.EndFrame();
}
