#include "wayland_desktop.h"

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
    QPlatformNativeInterface *native = waylandInterface();
    auto *display =
        native ? static_cast<wl_display *>(native->nativeResourceForIntegration("wl_display"))
               : nullptr;
    return display && offersGlobal(display, "zxdg_decoration_manager_v1");
}

bool showWindowMenu(QWindow *window, QPoint at) {
    QPlatformNativeInterface *native = waylandInterface();
    if (!native || !window) {
        return false;
    }
    auto *toplevel =
        static_cast<wl_proxy *>(native->nativeResourceForWindow("xdg_toplevel", window));
    auto *seat = static_cast<wl_proxy *>(native->nativeResourceForIntegration("wl_seat"));
    // The serial of the latest input event: the press that asks for the menu.
    const auto serial = static_cast<uint32_t>(
        reinterpret_cast<quintptr>(native->nativeResourceForIntegration("serial")));
    if (!toplevel || !seat) {
        return false;
    }
    // xdg_toplevel.show_window_menu(seat, serial, x, y): request 4 of
    // xdg-shell's toplevel, in surface coordinates.
    constexpr uint32_t showWindowMenuRequest = 4;
    wl_proxy_marshal(toplevel, showWindowMenuRequest, seat, serial, int32_t(at.x()),
                     int32_t(at.y()));
    return true;
}
