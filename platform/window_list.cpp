#include "platform/window_list.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace platform {

namespace {

constexpr int kMaxTitle = 255;
constexpr uint32_t kIconicState = 3;  // WM_STATE of a minimised window

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    const Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, uint16_t(strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

xcb_get_property_cookie_t askProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property,
                                      xcb_atom_t type, uint32_t longs) {
    return xcb_get_property(c, 0, window, property, type, 0, longs);
}

std::vector<xcb_window_t> windowList(xcb_connection_t* c, xcb_get_property_cookie_t cookie) {
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, nullptr));
    if (!reply || reply->format != 32 || reply->type != XCB_ATOM_WINDOW) return {};
    const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(reply.get()));
    return {ids, ids + xcb_get_property_value_length(reply.get()) / 4};
}

QString titleOf(xcb_connection_t* c, xcb_get_property_cookie_t utf8, xcb_get_property_cookie_t legacy) {
    const Reply<xcb_get_property_reply_t> modern(xcb_get_property_reply(c, utf8, nullptr));
    const Reply<xcb_get_property_reply_t> old(xcb_get_property_reply(c, legacy, nullptr));
    for (const auto& [reply, isUtf8] : {std::pair{modern.get(), true}, std::pair{old.get(), false}}) {
        if (!reply || reply->format != 8 || xcb_get_property_value_length(reply) == 0) continue;
        const char* text = static_cast<const char*>(xcb_get_property_value(reply));
        const int length = xcb_get_property_value_length(reply);
        return (isUtf8 ? QString::fromUtf8(text, length) : QString::fromLatin1(text, length)).left(kMaxTitle);
    }
    return QString();
}

}  // namespace

std::optional<QStringList> desktopWindowTitles() {
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) return std::nullopt;
    const xcb_atom_t clientList = atom(c, "_NET_CLIENT_LIST"), netName = atom(c, "_NET_WM_NAME"),
                     utf8 = atom(c, "UTF8_STRING"), wmState = atom(c, "WM_STATE");
    QStringList titles;
    for (auto screens = xcb_setup_roots_iterator(xcb_get_setup(c)); screens.rem; xcb_screen_next(&screens)) {
        const xcb_window_t root = screens.data->root;
        std::vector<xcb_window_t> windows =
            windowList(c, askProperty(c, root, clientList, XCB_ATOM_WINDOW, 1 << 16));
        const bool managed = !windows.empty();
        if (!managed) {
            // No window manager: the programs' windows sit directly on the root.
            const Reply<xcb_query_tree_reply_t> tree(
                xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr));
            if (!tree) continue;
            const xcb_window_t* children = xcb_query_tree_children(tree.get());
            windows.assign(children, children + xcb_query_tree_children_length(tree.get()));
        }
        // Every question first, then the answers: one round trip for the lot.
        struct Asked {
            xcb_get_window_attributes_cookie_t attributes;
            xcb_get_property_cookie_t state, utf8Name, name;
        };
        std::vector<Asked> asked;
        asked.reserve(windows.size());
        for (xcb_window_t w : windows)
            asked.push_back({xcb_get_window_attributes(c, w), askProperty(c, w, wmState, wmState, 2),
                             askProperty(c, w, netName, utf8, kMaxTitle),
                             askProperty(c, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, kMaxTitle)});
        for (const Asked& a : asked) {
            const Reply<xcb_get_window_attributes_reply_t> attributes(
                xcb_get_window_attributes_reply(c, a.attributes, nullptr));
            const Reply<xcb_get_property_reply_t> state(xcb_get_property_reply(c, a.state, nullptr));
            const bool mapped = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
            const bool iconic =
                state && state->format == 32 && xcb_get_property_value_length(state.get()) >= 4 &&
                *static_cast<const uint32_t*>(xcb_get_property_value(state.get())) == kIconicState;
            const bool shown = managed ? mapped || iconic : mapped && !attributes->override_redirect;
            const QString title = titleOf(c, a.utf8Name, a.name);
            if (shown) titles << title;
        }
    }
    return titles;
}

}  // namespace platform
