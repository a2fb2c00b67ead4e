// map_watch PROGRAM [ARGS...]: starts PROGRAM and prints, when the first window it owns (by _NET_WM_PID)
// becomes viewable on $DISPLAY, "PID MICROSECONDS TITLE": the time from just before the fork to the X
// event that made it viewable. The program is left running. Exits 1 if the program ends, or shows
// nothing within 30 seconds.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

namespace {

long long NowUs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000000LL + t.tv_nsec / 1000;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr);
    const xcb_atom_t atom = r != nullptr ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(r);
    return atom;
}

std::string Property(xcb_connection_t* c, xcb_window_t w, xcb_atom_t name, xcb_atom_t type) {
    xcb_get_property_reply_t* r = xcb_get_property_reply(c, xcb_get_property(c, 0, w, name, type, 0, 256), nullptr);
    std::string value;
    if (r != nullptr && r->type != XCB_ATOM_NONE) {
        value.assign(static_cast<const char*>(xcb_get_property_value(r)), xcb_get_property_value_length(r));
    }
    std::free(r);
    return value;
}

bool Viewable(xcb_connection_t* c, xcb_window_t w) {
    xcb_get_window_attributes_reply_t* r = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr);
    const bool viewable = r != nullptr && r->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(r);
    return viewable;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: map_watch PROGRAM [ARGS...]\n");
        return 2;
    }
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c) != 0) {
        std::fprintf(stderr, "map_watch: cannot open the display\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t wmPid = Atom(c, "_NET_WM_PID");
    const xcb_atom_t netName = Atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = Atom(c, "UTF8_STRING");
    const uint32_t rootMask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    // Checked, so the selection is in force before the program starts.
    if (xcb_generic_error_t* e =
            xcb_request_check(c, xcb_change_window_attributes_checked(c, root, XCB_CW_EVENT_MASK, &rootMask))) {
        std::free(e);
        return 2;
    }

    const long long start = NowUs();
    const pid_t child = fork();
    if (child == 0) {
        execv(argv[1], argv + 1);
        _exit(127);
    }

    // Every top-level window made since the start; its own map events are selected as soon as it exists.
    std::vector<xcb_window_t> windows;
    const long long deadline = start + 30 * 1000000LL;
    while (NowUs() < deadline) {
        while (xcb_generic_event_t* ev = xcb_poll_for_event(c)) {
            const long long at = NowUs();
            const uint8_t type = ev->response_type & 0x7f;
            bool check = type == XCB_MAP_NOTIFY;
            if (type == XCB_CREATE_NOTIFY) {
                const xcb_window_t w = reinterpret_cast<xcb_create_notify_event_t*>(ev)->window;
                const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
                xcb_change_window_attributes(c, w, XCB_CW_EVENT_MASK, &mask);
                windows.push_back(w);
                check = true; // it may have been mapped before the selection took hold
            }
            std::free(ev);
            if (!check) {
                continue;
            }
            for (const xcb_window_t w : windows) {
                const std::string pid = Property(c, w, wmPid, XCB_ATOM_CARDINAL);
                if (pid.size() != 4 || *reinterpret_cast<const uint32_t*>(pid.data()) != static_cast<uint32_t>(child) ||
                    !Viewable(c, w)) {
                    continue;
                }
                std::string title = Property(c, w, netName, utf8);
                if (title.empty()) {
                    title = Property(c, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING);
                }
                std::printf("%d %lld %s\n", static_cast<int>(child), at - start, title.c_str());
                return 0;
            }
        }
        if (xcb_connection_has_error(c) != 0 || waitpid(child, nullptr, WNOHANG) == child) {
            std::fprintf(stderr, "map_watch: the program ended before showing a window\n");
            return 1;
        }
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        poll(&fd, 1, 50);
    }
    std::fprintf(stderr, "map_watch: no window within 30 seconds\n");
    return 1;
}
