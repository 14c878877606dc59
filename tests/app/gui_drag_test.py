#!/usr/bin/python3
"""ぐりっどしねま as a user meets it, on a real X server.

  gui_drag_test.py GRIDCINEMA XDND_SOURCE WORKDIR

Starts Xvfb with a window manager (openbox), then the program. A small XDND
drag source of our own, moved with xdotool, drags files onto the window.

Run 1: a clip is dropped onto the window; 再生 and 変換開始 are pressed with
the mouse; the clip plays to its end; the completion question is answered
いいえ; the workbook next to the clip is read back with openpyxl.
Run 2: a picture of its own colour is dropped onto a text box and the video
area in turn; each must be loaded and shown. Ctrl+X then ends the program
with 0.

What the program shows is read from the server's frame buffer (Xvfb
-fbdir). Exits 77 with the reason when a tool is missing.
"""
import mmap
import os
import shutil
import struct
import subprocess
import sys
import time

SKIP = 77
TITLE = "ぐりっどしねま"
SCREEN = (1280, 1024)
# The clip: a test pattern under a band across its top, of one colour in
# its first half and of another in the second. The band (16 of 120 rows)
# is what the test reads, on the screen and in the workbook.
FIRST, SECOND = (0xD0, 0x20, 0x60), (0x20, 0x80, 0xD0)
CLIP_SECONDS = 3
BAND_ON_SCREEN = 30  # a row inside the band, 4 screen rows per frame row


class Failure(Exception):
    pass


def need(cond, message):
    if not cond:
        raise Failure(message)


def near(a, b, tol=24):
    return all(abs(x - y) <= tol for x, y in zip(a, b))


def wait_for(what, test, timeout):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        value = test()
        if value:
            return value
        time.sleep(0.05)
    raise Failure("timed out waiting for " + what)


class Screen:
    """The Xvfb frame buffer (an XWD file kept up to date by the server)."""

    def __init__(self, path):
        self.file = open(path, "rb")
        self.map = mmap.mmap(self.file.fileno(), 0, access=mmap.ACCESS_READ)
        f = struct.unpack(">25I", self.map[:100])
        header, self.width, self.height, self.bpp, self.line = f[0], f[4], f[5], f[11], f[12]
        need(self.bpp == 32 and f[7] == 0, "unexpected frame buffer format")
        self.base = header + f[19] * 12  # past the colour map

    def pixel(self, x, y):
        p = self.base + y * self.line + x * 4
        b, g, r = self.map[p], self.map[p + 1], self.map[p + 2]
        return r, g, b

class Session:
    def __init__(self, workdir):
        self.workdir = workdir
        self.procs = []
        fbdir = os.path.join(workdir, "fb")
        os.makedirs(fbdir)
        r, w = os.pipe()
        self.start(["Xvfb", "-displayfd", str(w), "-screen", "0", "%dx%dx24" % SCREEN, "-fbdir", fbdir,
                    "-nolisten", "tcp", "-noreset"], pass_fds=(w,))
        os.close(w)
        with os.fdopen(r) as f:
            number = f.readline().strip()
        need(number.isdigit(), "Xvfb did not start")
        self.env = dict(os.environ, DISPLAY=":" + number)
        self.screen = Screen(os.path.join(fbdir, "Xvfb_screen0"))
        self.start(["openbox", "--sm-disable"])
        wait_for("the window manager", lambda: "window id" in self.x(["xprop", "-root",
                                                                      "_NET_SUPPORTING_WM_CHECK"]), 15)

    def start(self, argv, env=None, piped=False, **kw):
        """Starts a process; its output goes to a log in the work folder
        (or to a pipe, for the drag source's verdict)."""
        log = os.path.join(self.workdir, os.path.basename(argv[0]) + ".log")
        out = subprocess.PIPE if piped else open(log, "ab")
        p = subprocess.Popen(argv, env=env or getattr(self, "env", None), stdout=out,
                             stderr=subprocess.DEVNULL if piped else subprocess.STDOUT, **kw)
        if not piped:
            out.close()
        self.procs.append(p)
        return p

    def close(self):
        for p in reversed(self.procs):
            if p.poll() is None:
                p.terminate()
                try:
                    p.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    p.kill()
                    p.wait()

    def x(self, argv, check=False):
        run = subprocess.run(argv, env=self.env, capture_output=True, text=True, timeout=30)
        if check and run.returncode != 0:
            raise Failure("%s: %s" % (" ".join(argv), run.stderr.strip()))
        return run.stdout

    def windows(self, title):
        out = self.x(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title])
        return [int(w) for w in out.split()]

    def geometry(self, window):
        """Absolute position and size of a window's inside."""
        info = {}
        for line in self.x(["xwininfo", "-id", str(window)], check=True).splitlines():
            key, _, value = line.strip().partition(":")
            info[key] = value.strip()
        return (int(info["Absolute upper-left X"]), int(info["Absolute upper-left Y"]),
                int(info["Width"]), int(info["Height"]))

    def click(self, x, y):
        self.x(["xdotool", "mousemove", str(x), str(y)], check=True)
        time.sleep(0.1)
        self.x(["xdotool", "click", "1"], check=True)

    def drag(self, source, path, x, y):
        """Drags `path` from a fresh drag source to (x, y); the source's verdict."""
        p = self.start([source, path], piped=True)
        line = p.stdout.readline().decode().split()
        need(line[:1] == ["window"], "the drag source did not start")
        sx, sy, sw, sh = self.geometry(int(line[1]))
        px, py = sx + sw // 2, sy + sh // 2
        self.x(["xdotool", "mousemove", str(px), str(py)], check=True)
        time.sleep(0.15)
        self.x(["xdotool", "mousedown", "1"], check=True)
        time.sleep(0.15)
        steps = 10
        for i in range(1, steps + 1):
            self.x(["xdotool", "mousemove", str(px + (x - px) * i // steps), str(py + (y - py) * i // steps)])
            time.sleep(0.05)
        time.sleep(0.2)
        self.x(["xdotool", "mouseup", "1"], check=True)
        try:
            out, _ = p.communicate(timeout=15)
        except subprocess.TimeoutExpired:
            p.kill()
            raise Failure("the drag source did not finish")
        return out.decode().strip()


def ffmpeg(*args):
    subprocess.run(["ffmpeg", "-v", "error", "-y"] + list(args), check=True, timeout=60)


def check_workbook(path, expect_sheets_at_least):
    import openpyxl
    need(os.path.exists(path), "no workbook next to the clip: %s" % path)
    wb = openpyxl.load_workbook(path)
    sheets = wb.worksheets
    need(len(sheets) >= expect_sheets_at_least, "%d sheets, at least %d expected" % (len(sheets),
                                                                                     expect_sheets_at_least))
    colours = []
    for ws in sheets:  # zoom, widths and heights are the writer tests' and e2e_test's
        need(ws.max_row == 30 and ws.max_column >= 40, "%s: %d x %d cells" % (ws.title, ws.max_row, ws.max_column))
        rgb = ws.cell(row=2, column=20).fill.fgColor.rgb[-6:]  # frame row 4, in the band
        colours.append(tuple(int(rgb[i:i + 2], 16) for i in (0, 2, 4)))
    need(all(near(c, FIRST, 32) or near(c, SECOND, 32) for c in colours), "fill colours %s" % colours)
    # Converting ran to the end of the clip: its second half is in the book.
    need(near(colours[-1], SECOND, 32), "the last sheet does not show the end of the clip: %s" % (colours[-1],))
    return len(sheets)


def main(argv):
    if len(argv) != 4:
        print(__doc__)
        return 2
    program, source, workdir = (os.path.abspath(a) for a in argv[1:4])
    for tool, package in (("Xvfb", "xvfb"), ("openbox", "openbox"), ("xdotool", "xdotool"),
                          ("xwininfo", "x11-utils"), ("xprop", "x11-utils"), ("ffmpeg", "ffmpeg")):
        if not shutil.which(tool):
            print("SKIP: %s is not installed (Debian package %s)" % (tool, package))
            return SKIP
    try:
        import openpyxl  # noqa: F401
    except ImportError:
        print("SKIP: python3-openpyxl is not installed")
        return SKIP
    if not os.access(source, os.X_OK):
        print("SKIP: the drag source was not built (needs libx11-dev)")
        return SKIP

    shutil.rmtree(workdir, ignore_errors=True)
    os.makedirs(workdir)
    media = os.path.join(workdir, "メディア 1")
    os.makedirs(media)
    clip = os.path.join(media, "clip.avi")
    band = "drawbox=x=0:y=0:w=iw:h=16:t=fill:color=0x%02x%02x%02x"
    ffmpeg("-f", "lavfi", "-i", "testsrc2=s=160x120:r=10:d=%d,%s,%s:enable='gte(t,%g)'" %
           (CLIP_SECONDS, band % FIRST, band % SECOND, CLIP_SECONDS / 2), "-q:v", "2", clip)

    # The program finds no spreadsheet program but these stand-ins, which
    # note being started: answering いいえ must start none.
    stubs = os.path.join(workdir, "bin")
    os.makedirs(stubs)
    launched = os.path.join(workdir, "launched")
    for name in ("xdg-mime", "libreoffice", "soffice"):
        with open(os.path.join(stubs, name), "w") as f:
            f.write("#!/bin/sh\n[ \"$1\" = query ] && exit 1\necho \"$0 $*\" >> '%s'\n" % launched)
        os.chmod(os.path.join(stubs, name), 0o755)
    home = os.path.join(workdir, "home")
    runtime = os.path.join(workdir, "run")
    os.makedirs(home)
    os.makedirs(runtime, mode=0o700)

    # Under the leak checker of a sanitizer build: libdbus, which Qt's xcb
    # platform loads, leaks a buffer when no session bus is found.
    suppressions = os.path.join(workdir, "lsan.supp")
    with open(suppressions, "w") as f:
        f.write("leak:libdbus-1.so\n")
    lsan = " ".join(filter(None, [os.environ.get("LSAN_OPTIONS", ""), "suppressions=" + suppressions]))

    session = Session(workdir)
    try:
        env = dict(session.env, QT_QPA_PLATFORM="xcb", HOME=home, XDG_RUNTIME_DIR=runtime,
                   PATH=stubs + ":/usr/bin:/bin", LSAN_OPTIONS=lsan)
        app = session.start([program], env=env)
        main_window = wait_for("the main window", lambda: session.windows(TITLE), 30)[0]
        cx, cy, cw, ch = session.geometry(main_window)
        need(cw == 670, "window width %d" % cw)
        time.sleep(0.5)
        scr = session.screen

        # ---- run 1: drop, 再生, 変換開始, end of the clip, いいえ
        verdict = session.drag(source, clip, cx + 340, cy + 400)
        need(verdict == "dropped accepted=1", "drop on the window: " + verdict)

        # The first frame is shown at client y = 108 below the menu bar; its
        # top edge tells where the client area starts.
        def video_top():
            for y in range(cy + 100, cy + 200):
                if near(scr.pixel(cx + 340, y), FIRST):
                    return y
            return None
        top = wait_for("the clip's first frame", video_top, 30)
        client_y = top - 108
        need(0 <= client_y - cy < 60 and ch == client_y - cy + 610,
             "the client area under the menu bar is not 670 x 610 (video area at %d of %d)" % (top - cy, ch))
        play = (cx + 20 + 55, client_y + 62 + 10)

        session.click(*play)
        time.sleep(0.6)
        session.click(*play)  # now 変換開始
        wait_for("the second half of the clip to be shown",
                 lambda: near(scr.pixel(cx + 340, client_y + 108 + BAND_ON_SCREEN), SECOND), 30)
        # The bar has followed the playback to its end before the question.
        bar_end = (cx + 650, client_y + 94)
        bar_background = scr.pixel(cx + 340, client_y + 104)

        def question():
            others = [w for w in session.windows(TITLE) if w != main_window]
            return others[0] if others else None
        box = wait_for("the completion question", question, 120)
        time.sleep(0.5)
        need(not near(scr.pixel(*bar_end), bar_background, 8), "the progress bar has not reached the end")
        bx, by, bw, bh = session.geometry(box)
        # いいえ is the right-hand button of the box's button row.
        session.click(bx + bw - 60, by + bh - 25)
        wait_for("the question to close", lambda: not question(), 15)
        wait_for("the idle window",
                 lambda: not near(scr.pixel(cx + 340, client_y + 108 + BAND_ON_SCREEN), SECOND), 15)
        time.sleep(0.5)
        need(not os.path.exists(launched), "a spreadsheet program was started after いいえ")
        sheets = check_workbook(os.path.join(media, "clip.xlsm"), 3)
        need(app.poll() is None, "the program ended")

        # ---- run 2: a picture dropped onto a text box and the video area
        targets = [("最大シート数", 150 + 40, 20 + 10), ("動画表示", 340, 108 + 200)]
        for n, (name, x, y) in enumerate(targets):
            colour = (40 + 30 * n, 200 - 20 * n, 90 + 20 * n)
            picture = os.path.join(media, "drop%d.png" % n)
            ffmpeg("-f", "lavfi", "-i", "color=c=0x%02x%02x%02x:s=80x60" % colour, "-frames:v", "1",
                   "-pix_fmt", "rgb24", picture)
            verdict = session.drag(source, picture, cx + x, client_y + y)
            need(verdict == "dropped accepted=1", "drop on %s: %s" % (name, verdict))
            wait_for("the picture dropped on %s" % name,
                     lambda: near(scr.pixel(cx + 340, client_y + 108 + 100), colour, 8), 20)
        need(app.poll() is None, "the program ended")

        # ---- the end: Ctrl+X (終了) closes the window and ends the program with 0
        session.click(cx + 340, client_y + 108 + 200)
        session.x(["xdotool", "key", "ctrl+x"], check=True)
        try:
            code = app.wait(timeout=30)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end after Ctrl+X")
        with open(os.path.join(workdir, "gridcinema.log"), errors="replace") as f:
            log = f.read()
        need(code == 0, "the program ended with %d:\n%s" % (code, log[-3000:]))

        print("run 1: %d sheets; run 2: %d drops loaded" % (sheets, len(targets)))
    finally:
        session.close()
    print("gui ok")
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except Failure as e:
        print("FAIL:", e)
        sys.exit(1)
