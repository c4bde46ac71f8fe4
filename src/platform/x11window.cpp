#include "x11window.h"

#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace {

xcb_connection_t *connection()
{
    const auto *x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// Interned once, at first use: one round trip to the X server each.
xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    const auto cookie = xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(c, cookie, nullptr);
    const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return found;
}

struct Atoms {
    xcb_atom_t protocols, deleteWindow, state, demandsAttention, skipTaskbar, skipPager;
};

const Atoms &atoms(xcb_connection_t *c)
{
    static const Atoms a{atom(c, "WM_PROTOCOLS"),
                         atom(c, "WM_DELETE_WINDOW"),
                         atom(c, "_NET_WM_STATE"),
                         atom(c, "_NET_WM_STATE_DEMANDS_ATTENTION"),
                         atom(c, "_NET_WM_STATE_SKIP_TASKBAR"),
                         atom(c, "_NET_WM_STATE_SKIP_PAGER")};
    return a;
}

xcb_window_t rootOf(xcb_connection_t *c)
{
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

} // namespace

namespace X11Window {

bool available()
{
    return connection() != nullptr;
}

void setDemandsAttention(QWindow *window, bool on)
{
    xcb_connection_t *c = connection();
    if (!c || !window)
        return;
    // The window manager owns a mapped window's state: ask it, as the window-manager
    // hints standard says, with a message to the root window.
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = xcb_window_t(window->winId());
    event.type = atoms(c).state;
    event.data.data32[0] = on ? 1 : 0; // add or remove
    event.data.data32[1] = atoms(c).demandsAttention;
    event.data.data32[3] = 1; // from an application
    xcb_send_event(c, 0, rootOf(c),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&event));
    xcb_flush(c);
}

void setSkipTaskbar(QWindow *window)
{
    xcb_connection_t *c = connection();
    if (!c || !window)
        return;
    const xcb_atom_t states[] = {atoms(c).skipTaskbar, atoms(c).skipPager};
    // Appended: Qt merges its own states into what it finds when it maps the window.
    xcb_change_property(c, XCB_PROP_MODE_APPEND, xcb_window_t(window->winId()), atoms(c).state,
                        XCB_ATOM_ATOM, 32, 2, states);
    xcb_flush(c);
}

CloseRequests::CloseRequests(QWindow *window, std::function<void()> onBlockedClose)
    : window(window), onBlockedClose(std::move(onBlockedClose))
{}

bool CloseRequests::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *generic = static_cast<const xcb_generic_event_t *>(message);
    if ((generic->response_type & 0x7F) != XCB_CLIENT_MESSAGE)
        return false;
    const auto *event = static_cast<const xcb_client_message_event_t *>(message);
    if (event->window != xcb_window_t(window->winId()))
        return false;
    xcb_connection_t *c = connection();
    if (!c || event->type != atoms(c).protocols || event->data.data32[0] != atoms(c).deleteWindow)
        return false;
    // Unblocked, Qt delivers it as a close event; blocked by a modal dialog, Qt drops it.
    if (QGuiApplication::modalWindow() == nullptr)
        return false;
    onBlockedClose();
    return true;
}

} // namespace X11Window
