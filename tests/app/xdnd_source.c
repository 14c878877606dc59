/* A drag source speaking XDND as a file manager does, for gui_drag_test.py.
 *   usage: xdnd_source FILE
 * Shows a small window and prints "window ID". A button press in it starts dragging FILE as
 * text/uri-list; the test moves the pointer, and the release drops on the XdndAware window under it.
 * Prints "dropped accepted=1" / "dropped accepted=0" / "refused"; exits 0 for an accepted drop. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <ctype.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

static Display *dpy;
static Window self;
static char uri[8192];

static Atom atom(const char *name)
{
    return XInternAtom(dpy, name, False); /* Xlib keeps the answers */
}

static void send_client(Window to, const char *type, long l1, long l2, long l3, long l4)
{
    XEvent e = {.xclient = {.type = ClientMessage, .display = dpy, .window = to, .message_type = atom(type),
                            .format = 32, .data.l = {(long)self, l1, l2, l3, l4}}};
    XSendEvent(dpy, to, False, NoEventMask, &e);
    XFlush(dpy);
}

/* The first XdndAware window on the way down from the root to (x, y): a window manager's frame is
 * passed through to the client inside it. */
static Window target_at(int x, int y)
{
    Window root = DefaultRootWindow(dpy), w = root, child;
    int cx, cy, format;
    unsigned long count, rest;
    while (XTranslateCoordinates(dpy, root, w, x, y, &cx, &cy, &child)) {
        Atom type = None;
        unsigned char *data = NULL;
        if (w != root && w != self)
            XGetWindowProperty(dpy, w, atom("XdndAware"), 0, 1, False, XA_ATOM, &type, &format, &count, &rest, &data);
        if (data)
            XFree(data);
        if (type == XA_ATOM)
            return w;
        if (child == None)
            break;
        w = child;
    }
    return None;
}

static void answer_selection(const XSelectionRequestEvent *r)
{
    XEvent reply = {.xselection = {.type = SelectionNotify, .display = dpy, .requestor = r->requestor,
                                   .selection = r->selection, .target = r->target, .time = r->time,
                                   .property = r->property != None ? r->property : r->target}};
    if (r->target == atom("text/uri-list"))
        XChangeProperty(dpy, r->requestor, reply.xselection.property, r->target, 8, PropModeReplace,
                        (unsigned char *)uri, (int)strlen(uri));
    else
        reply.xselection.property = None;
    XSendEvent(dpy, r->requestor, False, NoEventMask, &reply);
    XFlush(dpy);
}

int main(int argc, char **argv)
{
    if (argc != 2 || !(dpy = XOpenDisplay(NULL))) {
        fprintf(stderr, "usage: xdnd_source FILE (on an X display)\n");
        return 2;
    }
    /* A file:// URI, everything but unreserved characters and '/' escaped. */
    size_t n = (size_t)snprintf(uri, sizeof uri, "file://");
    for (const unsigned char *p = (const unsigned char *)argv[1]; *p && n < sizeof uri - 8; ++p)
        n += (size_t)snprintf(uri + n, sizeof uri - n, isalnum(*p) || strchr("/-._~", *p) ? "%c" : "%%%02X", *p);
    strcat(uri, "\r\n");
    int screen = DefaultScreen(dpy);
    self = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), 0, 0, 120, 80, 1, BlackPixel(dpy, screen), 0x4080c0);
    XSelectInput(dpy, self, ButtonPressMask | ButtonReleaseMask | PointerMotionMask | StructureNotifyMask);
    XMapWindow(dpy, self);

    alarm(60); /* SIGALRM ends a drag that does not finish, with no verdict */
    const char *verdict = NULL;
    int mapped = 0, state = 0, accepted = 0; /* state: 1 dragging, 2 dropped */
    Window target = None;
    XEvent e;
    while (!verdict) {
        XNextEvent(dpy, &e);
        if (e.type == MapNotify && !mapped) {
            mapped = 1;
            printf("window %lu\n", (unsigned long)self);
            fflush(stdout);
        } else if (e.type == ButtonPress && state == 0) {
            state = 1;
            XSetSelectionOwner(dpy, atom("XdndSelection"), self, e.xbutton.time);
            XGrabPointer(dpy, self, False, ButtonReleaseMask | PointerMotionMask, GrabModeAsync, GrabModeAsync,
                         None, None, e.xbutton.time);
        } else if (e.type == MotionNotify && state == 1) {
            Window w = target_at(e.xmotion.x_root, e.xmotion.y_root);
            if (w != target) {
                if (target != None)
                    send_client(target, "XdndLeave", 0, 0, 0, 0);
                if ((target = w) != None)
                    send_client(target, "XdndEnter", 5L << 24, (long)atom("text/uri-list"), 0, 0);
                accepted = 0;
            }
            if (target != None)
                send_client(target, "XdndPosition", 0, ((long)e.xmotion.x_root << 16) | (e.xmotion.y_root & 0xFFFF),
                            (long)e.xmotion.time, (long)atom("XdndActionCopy"));
        } else if (e.type == ButtonRelease && state == 1) {
            XUngrabPointer(dpy, e.xbutton.time);
            if (!accepted) {
                if (target != None)
                    send_client(target, "XdndLeave", 0, 0, 0, 0);
                verdict = "refused";
            } else {
                send_client(target, "XdndDrop", 0, (long)e.xbutton.time, 0, 0);
                state = 2;
                alarm(10);
            }
        } else if (e.type == ClientMessage && e.xclient.message_type == atom("XdndStatus") &&
                   (Window)e.xclient.data.l[0] == target) {
            accepted = (int)(e.xclient.data.l[1] & 1);
        } else if (e.type == ClientMessage && e.xclient.message_type == atom("XdndFinished") && state == 2) {
            verdict = e.xclient.data.l[1] & 1 ? "dropped accepted=1" : "dropped accepted=0";
        } else if (e.type == SelectionRequest) {
            answer_selection(&e.xselectionrequest);
        }
    }
    printf("%s\n", verdict);
    XCloseDisplay(dpy);
    return strcmp(verdict, "dropped accepted=1") != 0;
}
