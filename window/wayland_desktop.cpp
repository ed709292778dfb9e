#include "wayland_desktop.h"

#include "xdg-shell-client-protocol.h" // made by wayland-scanner from wayland-protocols

#include <QGuiApplication>
#include <QWindow>
#include <cstring>
#include <qpa/qplatformnativeinterface.h>
#include <wayland-client.h>

namespace {

QPlatformNativeInterface *waylandInterface() {
    return QGuiApplication::platformName() == u"wayland"
               ? QGuiApplication::platformNativeInterface()
               : nullptr;
}

// Qt's own connection, its seat and the serial of the latest input event
// (the press that asks for a menu): Qt's public API since 6.5, its native
// interface before.
struct Connection {
    wl_display *display = nullptr;
    wl_seat *seat = nullptr;
    uint32_t serial = 0;
};
Connection connection() {
    QPlatformNativeInterface *native = waylandInterface();
    if (!native) {
        return {};
    }
#if QT_VERSION >= QT_VERSION_CHECK(6, 5, 0)
    auto *wayland = qGuiApp->nativeInterface<QNativeInterface::QWaylandApplication>();
    return wayland ? Connection{wayland->display(), wayland->lastInputSeat(),
                                wayland->lastInputSerial()}
                   : Connection{};
#else
    return {static_cast<wl_display *>(native->nativeResourceForIntegration("wl_display")),
            static_cast<wl_seat *>(native->nativeResourceForIntegration("wl_seat")),
            static_cast<uint32_t>(
                reinterpret_cast<quintptr>(native->nativeResourceForIntegration("serial")))};
#endif
}

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
    wl_display *display = connection().display;
    return display && offersGlobal(display, "zxdg_decoration_manager_v1");
}

// A window's xdg_toplevel is reached through Qt's native interface alone:
// no public API of Qt gives it.
bool showWindowMenu(QWindow *window, QPoint at) {
    QPlatformNativeInterface *native = waylandInterface();
    const Connection wayland = connection();
    auto *toplevel = native && window ? static_cast<xdg_toplevel *>(
                                            native->nativeResourceForWindow("xdg_toplevel", window))
                                      : nullptr;
    if (!toplevel || !wayland.seat) {
        return false;
    }
    xdg_toplevel_show_window_menu(toplevel, wayland.seat, wayland.serial, at.x(), at.y());
    return true;
}
