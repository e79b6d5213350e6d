#pragma once

#include <functional>

// Ends the program when its X display goes away (the server crashed, or ended before the session
// manager sent its signal). The platform plugin then warns and exits the process from inside the
// event loop; at that warning (failing that, at exit) the save given here runs once, then the process ends at
// once with exit code 1, without the destructors of the objects of static lifetime, which would run with
// every window still open. The stop signals take their default action from then on. Main thread only; does
// nothing on other platforms.
namespace DisplayLoss {

void install(std::function<void()> save);
// Forgets the save (before the objects it uses go).
void uninstall();

} // namespace DisplayLoss
