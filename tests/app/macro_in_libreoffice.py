#!/usr/bin/python3
"""The video workbook's animation, run by LibreOffice.

  macro_in_libreoffice.py GRIDCINEMA WORKDIR

Converts a short clip made by ffmpeg into a macro-enabled workbook with the
built program, opens it in a headless LibreOffice through UNO with macros
allowed, runs the animation procedure of ThisWorkbook (the open event's
question box cannot be answered headless) and watches the controller's
active sheet: every sheet must be selected in order, one about every 100 ms.
Exits 77 with the reason when LibreOffice, its Python bridge or ffmpeg is
missing.
"""
import os
import shutil
import subprocess
import sys
import threading
import time

SKIP = 77
SHEETS = 12
GAP_MS = (80, 200)


def skip(reason):
    print("SKIP:", reason)
    sys.exit(SKIP)


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def make_workbook(program, workdir):
    clip = os.path.join(workdir, "anim.avi")
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                    "testsrc2=size=64x48:rate=10:duration=3", clip], check=True)
    run = subprocess.run([program, "convert", clip, "--max-sheets", str(SHEETS), "--ratio", "8"],
                         capture_output=True, text=True, timeout=120)
    if run.returncode != 0:
        fail("gridcinema convert: %s %s" % (run.stdout, run.stderr))
    book = os.path.join(workdir, "anim.xlsm")
    if not os.path.exists(book):
        fail("no workbook next to the clip")
    return book


def connect(uno, pipe, proc, deadline):
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    url = "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe
    while True:
        try:
            return resolver.resolve(url)
        except Exception:
            if proc.poll() is not None:
                fail("soffice ended with status %s before it accepted a connection" % proc.returncode)
            if time.monotonic() > deadline:
                fail("soffice did not accept a connection in time")
            time.sleep(0.25)


def main(argv):
    if len(argv) != 3:
        print(__doc__)
        return 2
    program, workdir = argv[1], argv[2]
    soffice = shutil.which("soffice")
    if not soffice:
        skip("LibreOffice (soffice) is not installed")
    if not shutil.which("ffmpeg"):
        skip("ffmpeg is not installed")
    try:
        import uno
        import unohelper
        from com.sun.star.beans import PropertyValue
        from com.sun.star.sheet import XActivationEventListener
    except ImportError:
        skip("python3-uno is not installed")

    shutil.rmtree(workdir, ignore_errors=True)
    os.makedirs(workdir)
    book = make_workbook(program, workdir)

    class Watcher(unohelper.Base, XActivationEventListener):
        def __init__(self):
            self.seen = []
            self.lock = threading.Lock()

        def activeSpreadsheetChanged(self, event):
            with self.lock:
                self.seen.append((time.monotonic(), event.ActiveSheet.getName()))

        def disposing(self, source):
            pass

    def prop(name, value):
        p = PropertyValue()
        p.Name, p.Value = name, value
        return p

    pipe = "gridcinema_macro_%d" % os.getpid()
    profile = os.path.join(workdir, "profile")
    proc = subprocess.Popen([soffice, "--headless", "--invisible", "--norestore", "--nologo",
                             "--nodefault", "-env:UserInstallation=" + uno.systemPathToFileUrl(profile),
                             "--accept=pipe,name=%s;urp;" % pipe],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    doc = None
    try:
        ctx = connect(uno, pipe, proc, time.monotonic() + 90)
        desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
        # 4: run macros without asking (ALWAYS_EXECUTE_NO_WARN).
        doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(book), "_blank", 0,
                                           (prop("Hidden", True), prop("MacroExecutionMode", 4)))
        if doc is None:
            fail("LibreOffice did not load %s" % book)
        names = list(doc.getSheets().getElementNames())
        if len(names) != SHEETS:
            fail("the workbook has %d sheets, %d expected" % (len(names), SHEETS))
        provider = doc.getScriptProvider()

        def procedure(name):
            try:
                return provider.getScript("vnd.sun.star.script:VBAProject.ThisWorkbook.%s"
                                          "?language=Basic&location=document" % name)
            except Exception as e:
                fail("LibreOffice does not find ThisWorkbook.%s: %s" % (name, str(e).splitlines()[0]))

        # The open event's handler must be visible (a Declare line before it
        # hides it); headless, its question returns at once.
        procedure("Workbook_Open").invoke((), (), ())
        controller = doc.getCurrentController()
        # Start on the last sheet, so that selecting the first one is seen too.
        controller.setActiveSheet(doc.getSheets().getByIndex(SHEETS - 1))
        watcher = Watcher()
        controller.addActivationEventListener(watcher)
        play = procedure("PlaySheets")
        started = time.monotonic()
        try:
            play.invoke((), (), ())
        except Exception as e:
            fail("the animation stopped: %s" % str(e).splitlines()[0])
        ended = time.monotonic()
        time.sleep(0.3)  # the last notification may still be on its way
        controller.removeActivationEventListener(watcher)
        with watcher.lock:
            seen = list(watcher.seen)
    finally:
        if doc is not None:
            try:
                doc.close(True)
            except Exception:
                pass
        try:
            desktop.terminate()
        except Exception:
            pass
        try:
            proc.wait(timeout=20)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()

    order = [name for _, name in seen]
    if order != names:
        fail("sheets selected %s, expected %s" % (order, names))
    gaps = [round((b - a) * 1000) for (a, _), (b, _) in zip(seen, seen[1:])]
    print("sheets %d, run %.0f ms, gaps (ms): %s" % (len(order), (ended - started) * 1000, gaps))
    bad = [g for g in gaps if not GAP_MS[0] <= g <= GAP_MS[1]]
    if bad:
        fail("gaps outside %d-%d ms: %s" % (GAP_MS[0], GAP_MS[1], bad))
    print("macro ok")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
