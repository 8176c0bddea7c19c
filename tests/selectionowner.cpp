// Holds the X11 primary selection and the clipboard with the text it is
// given, as a program does in which text is selected, and answers every
// request for it as UTF-8 until it is ended. It says "owned" on its output
// once it holds both. A test stops it (SIGSTOP) to make an owner that never
// answers.

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

xcb_atom_t atom(xcb_connection_t *connection, const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t found = reply ? reply->atom : xcb_atom_t(XCB_NONE);
    std::free(reply);
    return found;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fputs("usage: selection-owner TEXT\n", stderr);
        return 2;
    }
    const std::string text = argv[1];
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        std::fputs("selection-owner: cannot reach the X server\n", stderr);
        return 1;
    }
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t utf8 = atom(connection, "UTF8_STRING");
    const xcb_atom_t targets = atom(connection, "TARGETS");
    for (const xcb_atom_t selection :
         {xcb_atom_t(XCB_ATOM_PRIMARY), atom(connection, "CLIPBOARD")}) {
        xcb_set_selection_owner(connection, window, selection, XCB_CURRENT_TIME);
        xcb_get_selection_owner_reply_t *owner = xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, selection), nullptr);
        const bool owned = owner && owner->owner == window;
        std::free(owner);
        if (!owned) {
            std::fputs("selection-owner: the selection was not given\n", stderr);
            return 1;
        }
    }
    std::puts("owned");
    std::fflush(stdout);

    while (xcb_generic_event_t *event = xcb_wait_for_event(connection)) {
        if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST) {
            const auto *request = reinterpret_cast<xcb_selection_request_event_t *>(event);
            xcb_selection_notify_event_t notify{};
            notify.response_type = XCB_SELECTION_NOTIFY;
            notify.time = request->time;
            notify.requestor = request->requestor;
            notify.selection = request->selection;
            notify.target = request->target;
            notify.property = XCB_NONE; // refused, unless offered below
            if (request->target == targets) {
                const xcb_atom_t offered[] = {targets, utf8};
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor,
                                    request->property, XCB_ATOM_ATOM, 32, 2, offered);
                notify.property = request->property;
            } else if (request->target == utf8) {
                xcb_change_property(connection, XCB_PROP_MODE_REPLACE, request->requestor,
                                    request->property, utf8, 8, text.size(), text.data());
                notify.property = request->property;
            }
            xcb_send_event(connection, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT,
                           reinterpret_cast<const char *>(&notify));
            xcb_flush(connection);
        }
        std::free(event);
    }
    return 0;
}
