#include "lock_keys.h"

#include <QGuiApplication>

// Last: X11's headers define names (KeyPress, None) that Qt's use.
#include <X11/XKBlib.h>

namespace velmora {

unsigned int LockKeyState() {
    unsigned int state = 0;
    auto* x11 = QGuiApplication::platformName() == QLatin1String("xcb")
                    ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                    : nullptr;
    if (x11 && x11->display())
        XkbGetIndicatorState(x11->display(), XkbUseCoreKbd, &state);
    return state;
}

}  // namespace velmora
