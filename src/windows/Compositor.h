#pragma once

// Whether a compositing manager runs, so windows may be translucent and fade: on X11 when a client
// owns the selection "_NET_WM_CM_S0" of the default screen; always under Wayland; never on other
// platforms (the offscreen one of the tests). Tests may force the answer. Main thread only.
namespace Compositor {

bool isRunning();
// Forces the answer (tests); clearForced goes back to asking the display.
void setForced(bool running);
void clearForced();

} // namespace Compositor
