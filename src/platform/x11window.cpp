#include "x11window.h"

#include <QGuiApplication>
#include <QWindow>

#include <xcb/dpms.h>
#include <xcb/xcb.h>

#include <cstddef>
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

// The head of an XInput 2 pointer event as xcb hands it over: the generic event header, the
// device event's fields, and xcb's full sequence number after the first 32 bytes.
struct InputDeviceEvent {
    uint8_t responseType;
    uint8_t extension;
    uint16_t sequence;
    uint32_t length;
    uint16_t eventType;
    uint16_t deviceId;
    uint32_t time;
    uint32_t detail;
    xcb_window_t root;
    xcb_window_t event;
    xcb_window_t child;
    uint32_t fullSequence;
    int32_t rootX, rootY, eventX, eventY; // 16.16 fixed point
    uint16_t buttonsLength;
    uint16_t valuatorsLength;
    uint16_t sourceId;
};
static_assert(offsetof(InputDeviceEvent, time) == 12 && offsetof(InputDeviceEvent, event) == 24 &&
              offsetof(InputDeviceEvent, sourceId) == 56);

constexpr uint16_t inputPress = 4, inputMotion = 6; // XI_ButtonPress, XI_Motion
constexpr char inputExtension[] = "XInputExtension";

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

void wakeScreen()
{
    xcb_connection_t *c = connection();
    if (!c)
        return;
    xcb_force_screen_saver(c, XCB_SCREEN_SAVER_RESET);
    // One round trip the first time, as Qt's own plugin asks for the extensions it uses.
    const xcb_query_extension_reply_t *dpms = xcb_get_extension_data(c, &xcb_dpms_id);
    if (dpms && dpms->present) {
        // Forcing a level while DPMS is off is an error, and nothing to undo then.
        xcb_dpms_info_reply_t *info = xcb_dpms_info_reply(c, xcb_dpms_info(c), nullptr);
        if (info && info->state)
            xcb_dpms_force_level(c, XCB_DPMS_DPMS_MODE_ON);
        std::free(info);
    }
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

PointerEvents::PointerEvents(QWindow *window, Report onMotion, Report onPress)
    : window(window), onMotion(std::move(onMotion)), onPress(std::move(onPress))
{
    // Asked now and read when the first extension event comes, by which time it is here.
    if (xcb_connection_t *c = connection())
        extensionQuery =
            xcb_query_extension(c, uint16_t(std::strlen(inputExtension)), inputExtension).sequence;
    else
        inputOpcode = 0;
}

bool PointerEvents::isInputExtension(unsigned char opcode)
{
    if (inputOpcode < 0) {
        xcb_connection_t *c = connection();
        xcb_query_extension_reply_t *reply =
            c ? xcb_query_extension_reply(c, xcb_query_extension_cookie_t{extensionQuery}, nullptr)
              : nullptr;
        inputOpcode = reply && reply->present ? reply->major_opcode : 0;
        std::free(reply);
    }
    return inputOpcode > 0 && opcode == inputOpcode;
}

bool PointerEvents::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *generic = static_cast<const xcb_generic_event_t *>(message);
    const xcb_window_t own = xcb_window_t(window->winId());
    const uint8_t type = generic->response_type & 0x7F;
    // Qt reads the core events when the server lacks XInput 2; they share their layout.
    if (type == XCB_MOTION_NOTIFY || type == XCB_BUTTON_PRESS) {
        const auto *event = static_cast<const xcb_motion_notify_event_t *>(message);
        if (event->event == own)
            (type == XCB_MOTION_NOTIFY ? onMotion : onPress)(event->time);
    } else if (type == XCB_GE_GENERIC) {
        const auto *head = static_cast<const xcb_ge_generic_event_t *>(message);
        if ((head->event_type == inputMotion || head->event_type == inputPress) &&
            isInputExtension(head->extension)) {
            const auto *event = static_cast<const InputDeviceEvent *>(message);
            // Each event comes once from its own device and once through the master pointer,
            // the copy Qt acts on.
            if (event->event == own && event->deviceId != event->sourceId)
                (head->event_type == inputMotion ? onMotion : onPress)(event->time);
        }
    }
    return false;
}

} // namespace X11Window
