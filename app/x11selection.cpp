#include "app/x11selection.h"

#include <xcb/xcb.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>

namespace {

template <class T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

template <class T> Reply<T> reply(T *value)
{
    return Reply<T>(value, &std::free);
}

class Reader
{
public:
    explicit Reader(const QByteArray &display)
        : m_connection(xcb_connect(display.isEmpty() ? nullptr : display.constData(), nullptr))
    {
    }
    ~Reader() { xcb_disconnect(m_connection); }
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

    bool connected() const { return !xcb_connection_has_error(m_connection); }

    // Prepares the window the text is delivered to, and the names asked for.
    void prepare()
    {
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_window = xcb_generate_id(m_connection);
        // A long text comes in parts, each announced by a property change.
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &events);
        m_clipboard = atom("CLIPBOARD");
        m_utf8 = atom("UTF8_STRING");
        m_incremental = atom("INCR");
        m_property = atom("ORVEL_SELECTION");
    }

    // The text of `selection`: empty when nobody holds it or it offers no
    // text.
    X11Selection::Outcome text(xcb_atom_t selection, const QDeadlineTimer &deadline, QString *text)
    {
        text->clear();
        // Asking the X server itself never waits on another program.
        const auto owner = reply(xcb_get_selection_owner_reply(
            m_connection, xcb_get_selection_owner(m_connection, selection), nullptr));
        if (!owner || owner->owner == XCB_NONE)
            return X11Selection::Outcome::Read;
        for (const xcb_atom_t target : {m_utf8, xcb_atom_t(XCB_ATOM_STRING)}) {
            QByteArray bytes;
            switch (convert(selection, target, deadline, &bytes)) {
            case Converted::Yes:
                *text = target == m_utf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
                return X11Selection::Outcome::Read;
            case Converted::NoAnswer:
                return X11Selection::Outcome::NoAnswer;
            case Converted::Refused:
                break;
            }
        }
        return X11Selection::Outcome::Read;
    }

    xcb_atom_t clipboard() const { return m_clipboard; }

private:
    enum class Converted { Yes, Refused, NoAnswer };

    xcb_atom_t atom(const char *name)
    {
        const auto found = reply(xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name),
            nullptr));
        return found ? found->atom : xcb_atom_t(XCB_NONE);
    }

    // Asks the owner of `selection` to put it on the window as `target`, and
    // reads it from there.
    Converted convert(xcb_atom_t selection, xcb_atom_t target, const QDeadlineTimer &deadline,
                      QByteArray *bytes)
    {
        xcb_convert_selection(m_connection, m_window, selection, target, m_property,
                              XCB_CURRENT_TIME);
        xcb_flush(m_connection);
        for (;;) {
            const auto event = reply(next(XCB_SELECTION_NOTIFY, deadline));
            if (!event)
                return Converted::NoAnswer;
            const auto *notify = reinterpret_cast<xcb_selection_notify_event_t *>(event.get());
            if (notify->selection != selection || notify->target != target)
                continue;
            if (notify->property == XCB_NONE)
                return Converted::Refused;
            break;
        }
        xcb_atom_t type = XCB_NONE;
        takeProperty(bytes, &type);
        if (type != m_incremental)
            return Converted::Yes;
        // Incremental: each part comes as a new value of the property, which
        // asks for the next once taken; an empty part is the end.
        bytes->clear();
        while (bytes->size() < X11Selection::maxBytes) {
            for (;;) {
                const auto event = reply(next(XCB_PROPERTY_NOTIFY, deadline));
                if (!event)
                    return Converted::NoAnswer;
                const auto *change = reinterpret_cast<xcb_property_notify_event_t *>(event.get());
                if (change->atom == m_property && change->state == XCB_PROPERTY_NEW_VALUE)
                    break;
            }
            QByteArray part;
            takeProperty(&part, &type);
            if (part.isEmpty())
                break;
            bytes->append(part);
        }
        bytes->truncate(X11Selection::maxBytes);
        return Converted::Yes;
    }

    // The value on the window, deleted as it is read.
    void takeProperty(QByteArray *bytes, xcb_atom_t *type)
    {
        const auto value = reply(xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 1, m_window, m_property, XCB_GET_PROPERTY_TYPE_ANY, 0,
                             X11Selection::maxBytes / 4),
            nullptr));
        bytes->clear();
        *type = XCB_NONE;
        if (!value)
            return;
        *type = value->type;
        const int length = xcb_get_property_value_length(value.get());
        bytes->append(static_cast<const char *>(xcb_get_property_value(value.get())), length);
    }

    // The next event of `type`, or none when the deadline passes first or
    // the connection breaks. Other events are dropped.
    xcb_generic_event_t *next(uint8_t type, const QDeadlineTimer &deadline)
    {
        for (;;) {
            while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
                if ((event->response_type & 0x7f) == type)
                    return event;
                std::free(event);
            }
            const qint64 left = deadline.remainingTime();
            if (left == 0 || !connected())
                return nullptr;
            pollfd ready{xcb_get_file_descriptor(m_connection), POLLIN, 0};
            if (::poll(&ready, 1, int(qMin<qint64>(left, 1000))) < 0 && errno != EINTR)
                return nullptr;
        }
    }

    xcb_connection_t *m_connection;
    xcb_window_t m_window = XCB_NONE;
    xcb_atom_t m_clipboard = XCB_NONE;
    xcb_atom_t m_utf8 = XCB_NONE;
    xcb_atom_t m_incremental = XCB_NONE;
    xcb_atom_t m_property = XCB_NONE;
};

} // namespace

X11Selection::Outcome X11Selection::read(const QByteArray &display, QDeadlineTimer deadline,
                                         QString *text)
{
    Reader reader(display);
    if (!reader.connected())
        return Outcome::NoServer;
    reader.prepare();
    for (const xcb_atom_t selection : {xcb_atom_t(XCB_ATOM_PRIMARY), reader.clipboard()}) {
        const Outcome outcome = reader.text(selection, deadline, text);
        if (outcome != Outcome::Read || !text->trimmed().isEmpty())
            return outcome;
    }
    return Outcome::Read;
}
