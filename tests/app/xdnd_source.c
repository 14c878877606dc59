/* A drag source that speaks XDND the way a file manager does, for the
 * window tests under Xvfb.
 *
 *   usage: xdnd_source FILE
 *
 * Shows a small window titled "xdnd source" and prints its id. A button
 * press in it starts dragging FILE (offered as text/uri-list, as a file
 * manager does); the pointer is then moved by the test (xdotool), and the release
 * drops on the XdndAware window under the pointer. Prints one line,
 * "dropped accepted=1" / "dropped accepted=0" / "refused" / "timeout",
 * and exits 0 only for an accepted drop. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/select.h>
#include <time.h>

#define XDND_VERSION 5

static Display *dpy;
static Window self;
enum { A_AWARE, A_ENTER, A_POSITION, A_STATUS, A_LEAVE, A_DROP, A_FINISHED, A_SELECTION, A_COPY, A_URI_LIST,
       A_TARGETS, A_COUNT };
static const char *atom_names[A_COUNT] = {"XdndAware", "XdndEnter", "XdndPosition", "XdndStatus",
                                          "XdndLeave", "XdndDrop", "XdndFinished", "XdndSelection",
                                          "XdndActionCopy", "text/uri-list", "TARGETS"};
static Atom atoms[A_COUNT];
static char uri[8192];

static double now_s(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

/* file:// URI with everything but unreserved characters and '/' escaped. */
static int make_uri(const char *path)
{
    static const char hex[] = "0123456789ABCDEF";
    size_t n = (size_t)snprintf(uri, sizeof uri, "file://");
    for (const unsigned char *p = (const unsigned char *)path; *p; ++p) {
        if (n + 4 >= sizeof uri)
            return -1;
        if ((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z') || (*p >= '0' && *p <= '9') ||
            strchr("/-._~", *p)) {
            uri[n++] = (char)*p;
        } else {
            uri[n++] = '%';
            uri[n++] = hex[*p >> 4];
            uri[n++] = hex[*p & 15];
        }
    }
    uri[n] = 0;
    return 0;
}

static void send_client(Window to, Atom type, long l0, long l1, long l2, long l3, long l4)
{
    XEvent e = {.xclient = {.type = ClientMessage, .display = dpy, .window = to, .message_type = type,
                            .format = 32, .data.l = {l0, l1, l2, l3, l4}}};
    XSendEvent(dpy, to, False, NoEventMask, &e);
    XFlush(dpy);
}

/* The XDND version a window supports, 0 when it takes no drops. */
static int aware(Window w)
{
    Atom type;
    int format;
    unsigned long count, rest;
    unsigned char *data = NULL;
    int version = 0;
    if (XGetWindowProperty(dpy, w, atoms[A_AWARE], 0, 1, False, XA_ATOM, &type, &format, &count, &rest, &data) ==
            Success &&
        type == XA_ATOM && format == 32 && count == 1)
        version = (int)*(long *)data;
    if (data)
        XFree(data);
    return version;
}

/* The XdndAware window under the root position (x, y): the first such
 * window on the way down from the root (a window manager's frame is
 * passed through to the client inside it). */
static Window target_at(int x, int y, int *version)
{
    Window root = DefaultRootWindow(dpy), w = root, child = None;
    int cx, cy;
    for (;;) {
        if (!XTranslateCoordinates(dpy, root, w, x, y, &cx, &cy, &child))
            return None;
        if (w != root && w != self && (*version = aware(w)) > 0)
            return w;
        if (child == None)
            return None;
        w = child;
    }
}

static void answer_selection(const XSelectionRequestEvent *r)
{
    XEvent reply;
    memset(&reply, 0, sizeof reply);
    reply.xselection.type = SelectionNotify;
    reply.xselection.display = dpy;
    reply.xselection.requestor = r->requestor;
    reply.xselection.selection = r->selection;
    reply.xselection.target = r->target;
    reply.xselection.time = r->time;
    reply.xselection.property = r->property != None ? r->property : r->target;
    if (r->target == atoms[A_TARGETS]) {
        Atom list[] = {atoms[A_TARGETS], atoms[A_URI_LIST]};
        XChangeProperty(dpy, r->requestor, reply.xselection.property, XA_ATOM, 32, PropModeReplace,
                        (unsigned char *)list, 2);
    } else if (r->target == atoms[A_URI_LIST]) {
        char body[8200];
        int n = snprintf(body, sizeof body, "%s\r\n", uri);
        XChangeProperty(dpy, r->requestor, reply.xselection.property, r->target, 8, PropModeReplace,
                        (unsigned char *)body, n);
    } else {
        reply.xselection.property = None;
    }
    XSendEvent(dpy, r->requestor, False, NoEventMask, &reply);
    XFlush(dpy);
}

/* Next event, or 0 after `deadline`. */
static int next_event(XEvent *e, double deadline)
{
    while (!XPending(dpy)) {
        double left = deadline - now_s();
        if (left <= 0)
            return 0;
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(ConnectionNumber(dpy), &fds);
        struct timeval tv = {(time_t)left, (suseconds_t)((left - (double)(time_t)left) * 1e6)};
        select(ConnectionNumber(dpy) + 1, &fds, NULL, NULL, &tv);
    }
    XNextEvent(dpy, e);
    return 1;
}

int main(int argc, char **argv)
{
    if (argc != 2 || make_uri(argv[1]) != 0) {
        fprintf(stderr, "usage: xdnd_source FILE\n");
        return 2;
    }
    dpy = XOpenDisplay(NULL);
    if (!dpy) {
        fprintf(stderr, "xdnd_source: no display\n");
        return 2;
    }
    XInternAtoms(dpy, (char **)atom_names, A_COUNT, False, atoms);

    int screen = DefaultScreen(dpy);
    self = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), 0, 0, 120, 80, 1, BlackPixel(dpy, screen),
                               0x4080c0);
    XStoreName(dpy, self, "xdnd source");
    XSelectInput(dpy, self, ButtonPressMask | ButtonReleaseMask | PointerMotionMask | StructureNotifyMask);
    XMapWindow(dpy, self);
    XFlush(dpy);

    const double deadline = now_s() + 60;
    XEvent e;
    int status = 1, mapped = 0, dragging = 0, dropped = 0, accepted_now = 0, version = 0;
    Window target = None;
    Time last = CurrentTime;
    double finish_by = 0;
    while (next_event(&e, dropped ? finish_by : deadline)) {
        switch (e.type) {
        case MapNotify:
            if (!mapped) {
                mapped = 1;
                printf("window %lu\n", (unsigned long)self);
                fflush(stdout);
            }
            break;
        case ButtonPress:
            if (dragging || dropped)
                break;
            dragging = 1;
            last = e.xbutton.time;
            XSetSelectionOwner(dpy, atoms[A_SELECTION], self, last);
            XGrabPointer(dpy, self, False, ButtonReleaseMask | PointerMotionMask, GrabModeAsync, GrabModeAsync,
                         None, None, last);
            break;
        case MotionNotify:
            if (dragging) {
                int v = 0;
                last = e.xmotion.time;
                Window w = target_at(e.xmotion.x_root, e.xmotion.y_root, &v);
                if (w != target) {
                    if (target != None)
                        send_client(target, atoms[A_LEAVE], (long)self, 0, 0, 0, 0);
                    target = w;
                    accepted_now = 0;
                    version = v < XDND_VERSION ? v : XDND_VERSION;
                    if (target != None)
                        send_client(target, atoms[A_ENTER], (long)self, (long)version << 24, (long)atoms[A_URI_LIST], 0, 0);
                }
                if (target != None)
                    send_client(target, atoms[A_POSITION], (long)self, 0,
                                ((long)e.xmotion.x_root << 16) | (e.xmotion.y_root & 0xFFFF), (long)last,
                                (long)atoms[A_COPY]);
            }
            break;
        case ButtonRelease:
            if (!dragging)
                break;
            dragging = 0;
            last = e.xbutton.time;
            XUngrabPointer(dpy, last);
            if (target == None || !accepted_now) {
                if (target != None)
                    send_client(target, atoms[A_LEAVE], (long)self, 0, 0, 0, 0);
                printf("refused\n");
                goto done;
            }
            send_client(target, atoms[A_DROP], (long)self, 0, (long)last, 0, 0);
            dropped = 1;
            finish_by = now_s() + 10;
            break;
        case ClientMessage:
            if (e.xclient.message_type == atoms[A_STATUS] && (Window)e.xclient.data.l[0] == target) {
                accepted_now = (int)(e.xclient.data.l[1] & 1);
            } else if (e.xclient.message_type == atoms[A_FINISHED] && dropped) {
                /* Version 5 says whether the drop was taken. */
                int ok = version >= 5 ? (int)(e.xclient.data.l[1] & 1) : 1;
                printf("dropped accepted=%d\n", ok);
                status = ok ? 0 : 1;
                goto done;
            }
            break;
        case SelectionRequest:
            answer_selection(&e.xselectionrequest);
            break;
        default:
            break;
        }
    }
    printf("timeout\n");
done:
    XCloseDisplay(dpy);
    return status;
}
