#!/usr/bin/python3
"""The video workbook's animation, run by LibreOffice.

  macro_in_libreoffice.py GRIDCINEMA WORKDIR

A clip made by ffmpeg, converted by the built program, is opened in a headless LibreOffice through UNO
with macros allowed; ThisWorkbook's animation is run and the active sheet watched: every sheet must be
selected in order, one about every 100 ms. Exits 77 when LibreOffice, python3-uno or ffmpeg is missing.
"""
import os
import shutil
import subprocess
import sys
import time

SHEETS = 12
GAP_MS = (80, 200)


def need(cond, message):
    if not cond:
        print("FAIL:", message)
        sys.exit(1)


def main(argv):
    if len(argv) != 3:
        print(__doc__)
        return 2
    program, workdir = argv[1], argv[2]
    soffice = shutil.which("soffice")
    try:
        import uno
        import unohelper
        from com.sun.star.beans import PropertyValue
        from com.sun.star.sheet import XActivationEventListener
    except ImportError:
        soffice = None
    if not soffice or not shutil.which("ffmpeg"):
        print("SKIP: needs LibreOffice (soffice), python3-uno and ffmpeg")
        return 77

    shutil.rmtree(workdir, ignore_errors=True)
    os.makedirs(workdir)
    clip, book = os.path.join(workdir, "anim.avi"), os.path.join(workdir, "anim.xlsm")
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=64x48:rate=10:duration=3",
                    clip], check=True)
    run = subprocess.run([program, "convert", clip, "--max-sheets", str(SHEETS), "--ratio", "8"],
                         capture_output=True, text=True, timeout=120)
    need(run.returncode == 0 and os.path.exists(book), "gridcinema convert: %s %s" % (run.stdout, run.stderr))

    class Watcher(unohelper.Base, XActivationEventListener):
        seen = []

        def activeSpreadsheetChanged(self, event):
            self.seen.append((time.monotonic(), event.ActiveSheet.getName()))

        def disposing(self, source):
            pass

    pipe = "gridcinema_macro_%d" % os.getpid()
    proc = subprocess.Popen([soffice, "--headless", "--invisible", "--norestore", "--nologo", "--nodefault",
                             "-env:UserInstallation=" + uno.systemPathToFileUrl(os.path.join(workdir, "profile")),
                             "--accept=pipe,name=%s;urp;" % pipe], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    deadline = time.monotonic() + 90
    try:
        while True:
            try:
                ctx = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
                break
            except Exception:
                need(proc.poll() is None and time.monotonic() < deadline,
                     "soffice (status %s) accepted no connection" % proc.returncode)
                time.sleep(0.25)
        desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
        # 4: run macros without asking (ALWAYS_EXECUTE_NO_WARN).
        doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(book), "_blank", 0,
                                           (PropertyValue(Name="Hidden", Value=True),
                                            PropertyValue(Name="MacroExecutionMode", Value=4)))
        need(doc is not None, "LibreOffice did not load %s" % book)
        names = list(doc.getSheets().getElementNames())
        need(len(names) == SHEETS, "the workbook has %d sheets, %d expected" % (len(names), SHEETS))

        def invoke(name):
            try:
                doc.getScriptProvider().getScript("vnd.sun.star.script:VBAProject.ThisWorkbook.%s"
                                                  "?language=Basic&location=document" % name).invoke((), (), ())
            except Exception as e:
                need(False, "ThisWorkbook.%s: %s" % (name, str(e).splitlines()[0]))

        # The open event's handler must be visible (a Declare line before it hides it); headless, its
        # question returns at once.
        invoke("Workbook_Open")
        controller = doc.getCurrentController()
        # Start on the last sheet, so that selecting the first one is seen too.
        controller.setActiveSheet(doc.getSheets().getByIndex(SHEETS - 1))
        watcher = Watcher()
        controller.addActivationEventListener(watcher)
        invoke("PlaySheets")
        time.sleep(0.3)  # the last notification may still be on its way
        controller.removeActivationEventListener(watcher)
        seen = list(watcher.seen)
    finally:
        for close in (lambda: doc.close(True), lambda: desktop.terminate()):
            try:
                close()
            except Exception:
                pass
        try:
            proc.wait(timeout=20)
        except subprocess.TimeoutExpired:
            proc.kill()

    order = [name for _, name in seen]
    need(order == names, "sheets selected %s, expected %s" % (order, names))
    gaps = [round((b - a) * 1000) for (a, _), (b, _) in zip(seen, seen[1:])]
    print("sheets %d, gaps (ms): %s" % (len(order), gaps))
    bad = [g for g in gaps if not GAP_MS[0] <= g <= GAP_MS[1]]
    need(not bad, "gaps outside %d-%d ms: %s" % (GAP_MS[0], GAP_MS[1], bad))
    print("macro ok")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
