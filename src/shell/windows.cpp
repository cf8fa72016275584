#include "shell/windows.h"

#include "shell/mainwindow.h"

namespace win
{

void showlauncher()
{
    // A window closed together with the launcher must not bring it back.
    if (main* launcher = existing<main>(); launcher && launcher->closing()) {
        return;
    }
    instance<main>()->show();
}

} // namespace win
