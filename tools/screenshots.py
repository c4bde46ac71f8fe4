#!/usr/bin/env python3
"""Takes the README's screenshots of the real clock under Xvfb into docs/.

Usage: /usr/bin/python3 tools/screenshots.py   (after scripts/build.sh; takes up to a minute,
since it waits for an alarm set for the next minute to ring)
"""
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
from harness import Xvfb, Zelka, wait_until  # noqa: E402
from settingsbytes import settings_file  # noqa: E402

DOCS = os.path.join(HERE, "..", "docs")


def main():
    os.makedirs(DOCS, exist_ok=True)
    now = time.localtime(time.time() + 60)
    alarm = (now.tm_hour, now.tm_min, "", 0, "Ring.wav")
    with Xvfb() as x:
        run = Zelka(x)
        run.write(settings_file(windowX=20, windowY=20, alarms=[alarm]))
        run.start()
        face = run.wait_face()
        time.sleep(3.2)  # a few runner steps, colon shown
        x.screenshot(os.path.join(DOCS, "face.png"), 20, 20, 157, 136, 2)
        # The ringing face: wait for the alarm, then for a swung bell.
        wait_until(lambda: time.localtime().tm_min == now.tm_min and
                   time.localtime().tm_hour == now.tm_hour, 70, 0.2)
        time.sleep(1.55)
        x.screenshot(os.path.join(DOCS, "ringing.png"), 20, 20, 157, 136, 2)
        x.close_request(face[0])
        run.wait_exit()
        run.cleanup()

        english_face(x)
        dialogs(x, {"LANG": "zh_CN.UTF-8"}, "", "设置闹钟", "选项")
        dialogs(x, {"LANG": "en_US.UTF-8"}, "-en", "Set Alarms", "Options")

        # The damaged-file message, in English.
        run = Zelka(x, env={"LANG": "en_US.UTF-8"})
        run.write(b"\x01\x02\x03")
        run.start()
        box = wait_until(x.message_box, 5)
        time.sleep(0.4)
        _, bx, by, bw, bh = box
        x.screenshot(os.path.join(DOCS, "damaged-en.png"), bx, by, bw, bh)
        run.cleanup()


def english_face(x):
    """The face of an English interface, its weekday name in English."""
    run = Zelka(x, env={"LANG": "en_US.UTF-8"})
    run.write(settings_file(windowX=20, windowY=20))
    run.start()
    face = run.wait_face()
    time.sleep(3.2)
    x.screenshot(os.path.join(DOCS, "face-en.png"), 20, 20, 157, 136, 2)
    x.close_request(face[0])
    run.wait_exit()
    run.cleanup()


def dialogs(x, env, suffix, alarm_title, options_title):
    """The dialogs, opened from the face's buttons with the real pointer."""
    run = Zelka(x, env=env)
    run.write(settings_file(windowX=20, windowY=20,
                            alarms=[(7, 30, "起床", 1, "Ring.wav"), (22, 0, "", 0, "Ring.wav")],
                            days=[(0x3E, 0), (0x7F, 0)]))
    run.start()
    face = run.wait_face()

    def button(k):
        x.click(60, 60)  # onto the face first: the last move decides what a press does
        x.click(20 + 3 + 37 + 22 * k + 8, 20 + 3 + 106 + 8)

    def shot(window, name):
        _, wx, wy, ww, wh = window
        time.sleep(0.4)
        x.screenshot(os.path.join(DOCS, name), wx, wy, ww, wh)

    button(0)
    dialog = wait_until(lambda: x.windows(alarm_title), 5)
    shot(dialog[0], f"alarms{suffix}.png")
    x.keys("Escape")
    wait_until(lambda: not x.windows(alarm_title), 5)

    button(1)
    sheet = wait_until(lambda: x.windows(options_title), 5)
    for page in ("interface", "advanced", "chime"):
        shot(sheet[0], f"options-{page}{suffix}.png")
        x.keys("Tab", modifier="Control_L")
    x.keys("Escape")
    wait_until(lambda: not x.windows(options_title), 5)

    button(2)
    time.sleep(4)  # the whole animation
    logo = [w for w in x.windows("Zelka!") + x.windows("") if w[3:] != (157, 136)]
    if logo and not suffix:
        shot(logo[0], "logo.png")
    x.keys("Escape")
    x.close_request(face[0])
    run.wait_exit()
    run.cleanup()

if __name__ == "__main__":
    main()
