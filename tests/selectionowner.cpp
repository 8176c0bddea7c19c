// Holds the X11 primary selection and the clipboard with the text it is
// given, as a program does in which text is selected, and answers for it
// until it is ended. It says "owned" once it holds both; a test stops it
// (SIGSTOP) to make one that never answers.
//
// With --tray instead of a text it stands in for a desktop's system tray:
// it holds the selection by which programs find the tray, and docks nothing.

#include <QClipboard>
#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>

namespace {
bool ownTray()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return false;
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window,
                      xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const char name[] = "_NET_SYSTEM_TRAY_S0";
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, sizeof name - 1, name), nullptr);
    if (!atom)
        return false;
    xcb_set_selection_owner(connection, window, atom->atom, XCB_CURRENT_TIME);
    xcb_flush(connection);
    std::free(atom);
    return true;
}
} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QString text = app.arguments().value(1);
    if (text == QLatin1String("--tray")) {
        if (!ownTray())
            return 1;
    } else {
        for (const QClipboard::Mode mode : {QClipboard::Selection, QClipboard::Clipboard})
            QGuiApplication::clipboard()->setText(text, mode);
    }
    std::puts("owned");
    std::fflush(stdout);
    return app.exec();
}
