#include "wayland_desktop.h"

#include "xdg-shell-client-protocol.h" // made by wayland-scanner from wayland-protocols

#include <QGuiApplication>
#include <QWindow>
#include <cstring>
#include <qpa/qplatformnativeinterface.h>
#include <utility>
#include <wayland-client.h>

bool onWayland() {
    return QGuiApplication::platformName() == u"wayland";
}

namespace {

QPlatformNativeInterface *waylandInterface() {
    return onWayland() ? QGuiApplication::platformNativeInterface() : nullptr;
}

// Qt's own connection; and its seat with the serial of the latest input
// event (the press that asks for a menu), which exist only once there has
// been input. Qt's public API since 6.5, its native interface before.
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
QNativeInterface::QWaylandApplication *wayland() {
    return waylandInterface() ? qGuiApp->nativeInterface<QNativeInterface::QWaylandApplication>()
                              : nullptr;
}
wl_display *waylandDisplay() {
    return wayland() ? wayland()->display() : nullptr;
}
std::pair<wl_seat *, uint32_t> lastInput() {
    return wayland() ? std::pair(wayland()->lastInputSeat(), wayland()->lastInputSerial())
                     : std::pair<wl_seat *, uint32_t>();
}
#else
wl_display *waylandDisplay() {
    QPlatformNativeInterface *native = waylandInterface();
    return native ? static_cast<wl_display *>(native->nativeResourceForIntegration("wl_display"))
                  : nullptr;
}
std::pair<wl_seat *, uint32_t> lastInput() {
    QPlatformNativeInterface *native = waylandInterface();
    auto *seat =
        native ? static_cast<wl_seat *>(native->nativeResourceForIntegration("wl_seat")) : nullptr;
    return seat ? std::pair(seat, static_cast<uint32_t>(reinterpret_cast<quintptr>(
                                      native->nativeResourceForIntegration("serial"))))
                : std::pair<wl_seat *, uint32_t>();
}
#endif

// One listing of the compositor's globals, read on a queue of our own so
// that Qt's event handling never sees it.
bool offersGlobal(wl_display *display, const char *interfaceName) {
    struct Search {
        const char *name;
        bool found = false;
    } search{interfaceName};
    static constexpr wl_registry_listener listener{
        [](void *data, wl_registry *, uint32_t, const char *name, uint32_t) {
            auto *wanted = static_cast<Search *>(data);
            wanted->found = wanted->found || std::strcmp(name, wanted->name) == 0;
        },
        [](void *, wl_registry *, uint32_t) {}};

    wl_event_queue *queue = wl_display_create_queue(display);
    auto *onQueue = static_cast<wl_display *>(wl_proxy_create_wrapper(display));
    wl_proxy_set_queue(reinterpret_cast<wl_proxy *>(onQueue), queue);
    wl_registry *registry = wl_display_get_registry(onQueue);
    wl_registry_add_listener(registry, &listener, &search);
    const bool answered = wl_display_roundtrip_queue(display, queue) >= 0;
    wl_registry_destroy(registry);
    wl_proxy_wrapper_destroy(onQueue);
    wl_event_queue_destroy(queue);
    return answered && search.found;
}

} // namespace

bool compositorDecoratesWindows() {
    wl_display *display = waylandDisplay();
    return display && offersGlobal(display, "zxdg_decoration_manager_v1");
}

// A window's xdg_toplevel is reached through Qt's native interface alone:
// no public API of Qt gives it.
bool showWindowMenu(QWindow *window, QPoint at) {
    QPlatformNativeInterface *native = waylandInterface();
    auto *toplevel =
        native && window
            ? static_cast<xdg_toplevel *>(native->nativeResourceForWindow("xdg_toplevel", window))
            : nullptr;
    const auto [seat, serial] = toplevel ? lastInput() : std::pair<wl_seat *, uint32_t>();
    if (!seat) {
        return false;
    }
    xdg_toplevel_show_window_menu(toplevel, seat, serial, at.x(), at.y());
    return true;
}
