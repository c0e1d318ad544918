#include "window_titles.h"

#ifdef TAVTOOLS_HAVE_XCB
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>
#endif

namespace sysinfo {

#ifdef TAVTOOLS_HAVE_XCB
namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter>;

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    Reply<xcb_intern_atom_reply_t> r(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, uint16_t(strlen(name)), name), nullptr));
    return r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// A text property, at most 400 bytes of it (a title keeps 99 characters).
QByteArray property(xcb_connection_t* c, xcb_window_t w, xcb_atom_t name, xcb_atom_t type) {
    if (name == XCB_ATOM_NONE) return {};
    Reply<xcb_get_property_reply_t> r(
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, name, type, 0, 100), nullptr));
    if (!r || r->format != 8) return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(r.get())),
                      xcb_get_property_value_length(r.get()));
}

} // namespace
#endif

QStringList topLevelWindowTitles(const QByteArray& display) {
    QStringList titles;
#ifdef TAVTOOLS_HAVE_XCB
    if (display.isEmpty() && !std::getenv("DISPLAY")) return titles;
    xcb_connection_t* c = xcb_connect(display.isEmpty() ? nullptr : display.constData(), nullptr);
    if (!c || xcb_connection_has_error(c)) {
        if (c) xcb_disconnect(c);
        return titles;
    }
    const xcb_atom_t netName = atom(c, "_NET_WM_NAME"), utf8 = atom(c, "UTF8_STRING");
    for (auto it = xcb_setup_roots_iterator(xcb_get_setup(c)); it.rem; xcb_screen_next(&it)) {
        Reply<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(c, xcb_query_tree(c, it.data->root), nullptr));
        if (!tree) continue;
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
            const QByteArray wide = property(c, children[i], netName, utf8);
            titles << (wide.isEmpty() ? QString::fromLatin1(property(
                                            c, children[i], XCB_ATOM_WM_NAME, XCB_ATOM_STRING))
                                      : QString::fromUtf8(wide));
        }
    }
    xcb_disconnect(c);
#else
    Q_UNUSED(display);
#endif
    return titles;
}

QStringList taskLines(const QStringList& titles) {
    QStringList lines;
    for (const QString& t : titles) {
        // The title without its line ends, so that a window is one line.
        QString title = t.left(99);
        title.replace(u'\n', u' ').replace(u'\r', u' ');
        if (!title.isEmpty()) lines << title;
    }
    return lines;
}

} // namespace sysinfo
