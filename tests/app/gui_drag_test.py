#!/usr/bin/python3
"""ぐりっどしねま as a user meets it, on a real X server.

  gui_drag_test.py GRIDCINEMA XDND_SOURCE WORKDIR

Under Xvfb and openbox, files are dragged onto the window by our own XDND source moved with xdotool.
Run 1: a clip dropped on the window; 再生 and 変換開始 pressed with the mouse; the clip plays to its end;
the question answered いいえ; the workbook next to the clip read back with openpyxl. Run 2: a picture
dropped on a text box, then on the video area, each shown. Ctrl+X then ends the program with 0.
The screen is read from the server's frame buffer (Xvfb -fbdir). Exits 77 when a tool is missing.
"""
import mmap
import os
import shutil
import struct
import subprocess
import sys
import time

TITLE = "ぐりっどしねま"
# The clip: a test pattern under a band across its top (16 of 120 rows), of one colour in its first
# half and of another in the second. The band is what is read, on the screen and in the workbook.
FIRST, SECOND = (0xD0, 0x20, 0x60), (0x20, 0x80, 0xD0)
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


def ffmpeg(*args):
    subprocess.run(["ffmpeg", "-v", "error", "-y"] + list(args), check=True, timeout=60)


class Session:
    """Xvfb and openbox, the processes started on them, and the screen (an XWD file the server updates)."""

    def __init__(self, workdir):
        self.workdir, self.procs, self.env = workdir, [], None
        fbdir = os.path.join(workdir, "fb")
        os.makedirs(fbdir)
        r, w = os.pipe()
        self.start(["Xvfb", "-displayfd", str(w), "-screen", "0", "1280x1024x24", "-fbdir", fbdir,
                    "-nolisten", "tcp", "-noreset"], pass_fds=(w,))
        os.close(w)
        with os.fdopen(r) as f:
            number = f.readline().strip()
        need(number.isdigit(), "Xvfb did not start")
        self.env = dict(os.environ, DISPLAY=":" + number)
        with open(os.path.join(fbdir, "Xvfb_screen0"), "rb") as f:
            self.fb = mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ)
        h = struct.unpack(">25I", self.fb[:100])
        need(h[11] == 32 and h[7] == 0, "unexpected frame buffer format")
        self.line, self.base = h[12], h[0] + h[19] * 12  # the pixels follow the colour map
        self.start(["openbox", "--sm-disable"])
        wait_for("the window manager", lambda: "window id" in self.x("xprop", "-root", "_NET_SUPPORTING_WM_CHECK"), 15)

    def pixel(self, x, y):
        p = self.base + y * self.line + x * 4
        return self.fb[p + 2], self.fb[p + 1], self.fb[p]

    def start(self, argv, env=None, piped=False, **kw):
        """Starts a process logging to the work folder; stdout piped for the drag source's verdict."""
        log = open(os.path.join(self.workdir, os.path.basename(argv[0]) + ".log"), "ab")
        p = subprocess.Popen(argv, env=env or self.env, stdout=subprocess.PIPE if piped else log, stderr=log, **kw)
        log.close()
        self.procs.append(p)
        return p

    def close(self):
        for p in reversed(self.procs):
            p.terminate()
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                p.kill()

    def x(self, *argv, check=False):
        run = subprocess.run(argv, env=self.env, capture_output=True, text=True, timeout=30)
        need(run.returncode == 0 or not check, "%s: %s" % (" ".join(argv), run.stderr.strip()))
        return run.stdout

    def xdo(self, *args):
        self.x("xdotool", *(str(a) for a in args), check=True)

    def windows(self, besides=None):
        """The program's visible windows but `besides`."""
        out = self.x("xdotool", "search", "--onlyvisible", "--name", "^%s$" % TITLE)
        return [int(w) for w in out.split() if int(w) != besides]

    def geometry(self, window):
        """Absolute position and size of a window's inside."""
        lines = self.x("xwininfo", "-id", str(window), check=True).splitlines()
        info = dict(line.strip().partition(":")[::2] for line in lines)
        return tuple(int(info[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def click(self, x, y):
        self.xdo("mousemove", x, y, "sleep", 0.1, "click", 1)

    def drag(self, source, path, x, y, onto):
        """Drags `path` from a fresh drag source to (x, y), which must take it."""
        p = self.start([source, path], piped=True)
        line = p.stdout.readline().decode().split()
        need(line[:1] == ["window"], "the drag source did not start")
        sx, sy, sw, sh = self.geometry(int(line[1]))
        px, py = sx + sw // 2, sy + sh // 2
        self.xdo("mousemove", px, py, "sleep", 0.15, "mousedown", 1, "sleep", 0.15)
        for i in range(1, 11):
            self.xdo("mousemove", px + (x - px) * i // 10, py + (y - py) * i // 10, "sleep", 0.05)
        self.xdo("sleep", 0.2, "mouseup", 1)
        verdict = p.communicate(timeout=15)[0].decode().strip()
        need(verdict == "dropped accepted=1", "drop on %s: %s" % (onto, verdict or "timed out"))


def main(argv):
    if len(argv) != 4:
        print(__doc__)
        return 2
    program, source, workdir = (os.path.abspath(a) for a in argv[1:4])
    missing = [t for t in ("Xvfb", "openbox", "xdotool", "xwininfo", "xprop", "ffmpeg") if not shutil.which(t)]
    try:
        import openpyxl
    except ImportError:
        missing.append("python3-openpyxl")
    if missing or not os.access(source, os.X_OK):
        print("SKIP: missing %s (Debian: xvfb openbox xdotool x11-utils ffmpeg python3-openpyxl; the drag source "
              "needs libx11-dev)" % (missing or "the drag source"))
        return 77

    shutil.rmtree(workdir, ignore_errors=True)
    media, stubs, home, runtime = (os.path.join(workdir, d) for d in ("メディア 1", "bin", "home", "run"))
    for d in (media, stubs, home):
        os.makedirs(d)
    os.makedirs(runtime, mode=0o700)
    clip = os.path.join(media, "clip.avi")
    band = "drawbox=x=0:y=0:w=iw:h=16:t=fill:color=0x%02x%02x%02x"
    ffmpeg("-f", "lavfi", "-i", "testsrc2=s=160x120:r=10:d=3,%s,%s:enable='gte(t,1.5)'" % (band % FIRST, band % SECOND),
           "-q:v", "2", clip)

    # No spreadsheet program is found but these stand-ins, which note being started: いいえ must start none.
    launched = os.path.join(workdir, "launched")
    for name in ("xdg-mime", "libreoffice", "soffice"):
        with open(os.path.join(stubs, name), "w") as f:
            f.write("#!/bin/sh\n[ \"$1\" = query ] && exit 1\necho \"$0 $*\" >> '%s'\n" % launched)
        os.chmod(os.path.join(stubs, name), 0o755)
    # Under a sanitizer build's leak checker: libdbus, loaded by Qt's xcb platform, leaks a buffer when
    # no session bus is found.
    suppressions = os.path.join(workdir, "lsan.supp")
    with open(suppressions, "w") as f:
        f.write("leak:libdbus-1.so\n")
    lsan = " ".join(filter(None, [os.environ.get("LSAN_OPTIONS", ""), "suppressions=" + suppressions]))

    session = Session(workdir)
    try:
        env = dict(session.env, QT_QPA_PLATFORM="xcb", HOME=home, XDG_RUNTIME_DIR=runtime,
                   PATH=stubs + ":/usr/bin:/bin", LSAN_OPTIONS=lsan)
        app = session.start([program], env=env)
        main_window = wait_for("the main window", session.windows, 30)[0]
        cx, cy, cw, ch = session.geometry(main_window)
        need(cw == 670, "window width %d" % cw)
        time.sleep(0.5)

        # ---- run 1: drop, 再生, 変換開始, end of the clip, いいえ
        session.drag(source, clip, cx + 340, cy + 400, "the window")

        # The first frame is shown at client y = 108 below the menu bar; its top edge tells where the
        # client area starts (the band, 64 screen rows, fully drawn: not a screen read mid-paint).
        def video_top():
            first = [near(session.pixel(cx + 340, y), FIRST) for y in range(cy + 100, cy + 260)]
            return next((cy + 100 + i for i in range(100) if first[i] and first[i + 60]), None)
        top = wait_for("the clip's first frame", video_top, 30)
        client_y = top - 108
        need(0 <= client_y - cy < 60 and ch == client_y - cy + 610,
             "the client area under the menu bar is not 670 x 610 (video area at %d of %d)" % (top - cy, ch))
        band_at = (cx + 340, client_y + 108 + BAND_ON_SCREEN)
        play = (cx + 20 + 55, client_y + 62 + 10)
        session.click(*play)
        time.sleep(0.6)
        session.click(*play)  # now 変換開始
        wait_for("the second half of the clip to be shown", lambda: near(session.pixel(*band_at), SECOND), 30)
        # The bar has followed the playback to its end before the question.
        bar_background = session.pixel(cx + 340, client_y + 104)
        box = wait_for("the completion question", lambda: session.windows(besides=main_window), 120)[0]
        time.sleep(0.5)
        need(not near(session.pixel(cx + 650, client_y + 94), bar_background, 8), "the bar has not reached the end")
        bx, by, bw, bh = session.geometry(box)
        session.click(bx + bw - 60, by + bh - 25)  # いいえ, the right-hand button
        wait_for("the question to close", lambda: not session.windows(besides=main_window), 15)
        wait_for("the idle window", lambda: not near(session.pixel(*band_at), SECOND), 15)
        time.sleep(0.5)
        need(not os.path.exists(launched), "a spreadsheet program was started after いいえ")
        sheets = openpyxl.load_workbook(os.path.join(media, "clip.xlsm")).worksheets
        need(len(sheets) >= 3, "%d sheets, at least 3 expected" % len(sheets))
        colours = []
        for ws in sheets:  # zoom, widths and heights are the writer tests' and e2e_test's
            need(ws.max_row == 30 and ws.max_column >= 40, "%s: %d x %d cells" % (ws.title, ws.max_row, ws.max_column))
            rgb = ws.cell(row=2, column=20).fill.fgColor.rgb[-6:]  # frame row 4, in the band
            colours.append(tuple(int(rgb[i:i + 2], 16) for i in (0, 2, 4)))
        need(all(near(c, FIRST, 32) or near(c, SECOND, 32) for c in colours), "fill colours %s" % colours)
        # Converting ran to the end of the clip: its second half is in the book.
        need(near(colours[-1], SECOND, 32), "the last sheet does not show the end of the clip: %s" % (colours[-1],))
        need(app.poll() is None, "the program ended")

        # ---- run 2: a picture of its own colour dropped onto a text box, then the video area
        for n, (name, x, y) in enumerate([("最大シート数", 150 + 40, 20 + 10), ("動画表示", 340, 108 + 200)]):
            colour = (40 + 30 * n, 200 - 20 * n, 90 + 20 * n)
            picture = os.path.join(media, "drop%d.png" % n)
            ffmpeg("-f", "lavfi", "-i", "color=c=0x%02x%02x%02x:s=80x60" % colour, "-frames:v", "1",
                   "-pix_fmt", "rgb24", picture)
            session.drag(source, picture, cx + x, client_y + y, name)
            wait_for("the picture dropped on %s" % name,
                     lambda: near(session.pixel(cx + 340, client_y + 108 + 100), colour, 8), 20)

        # ---- the end: Ctrl+X (終了) closes the window and ends the program with 0
        session.click(cx + 340, client_y + 108 + 200)
        session.xdo("key", "ctrl+x")
        code = app.wait(timeout=30)
        with open(os.path.join(workdir, "gridcinema.log"), errors="replace") as f:
            need(code == 0, "the program ended with %d:\n%s" % (code, f.read()[-3000:]))
    finally:
        session.close()
    print("gui ok: run 1 wrote %d sheets, run 2 loaded 2 drops" % len(sheets))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except (Failure, subprocess.TimeoutExpired) as e:
        print("FAIL:", e)
        sys.exit(1)
