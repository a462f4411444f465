#pragma once
// One frame of the About window's scene: a twisted quadrilateral with coloured corners that
// swings through the view as the animation clock runs.
class TKEL_glpanel;

// t: milliseconds since the window was shown.
void DrawAboutScene(TKEL_glpanel &panel, float t);
