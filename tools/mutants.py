#!/usr/bin/env python3
"""Hand-made mutants of the faults a user could meet: each is applied in turn to the
source tree, the named test targets are rebuilt and the named tests run; a mutant is
killed when a test fails. The file is restored after each one, whatever happens.

    python3 tools/mutants.py [name-substring ...]     (after scripts/build.sh)
"""
import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build")

# (name, file, original text, replacement, ctest -R pattern that must fail)
MUTANTS = [
    ("extension count ignored", "src/core/settingscodec.cpp",
     "    if (in.readInt() != n)\n        return;", "    in.readInt();", "tst_settingsfile"),
    ("a repeated minute keeps the old snooze", "src/core/clockwork.cpp",
     "    pending.removeIf([this](const Snoozed &s) { return s.alarmMinute == ringingMinute; });\n",
     "", "tst_clockwork"),
    ("a snooze jumped past counts as slept", "src/core/clockwork.cpp",
     "const bool slept = clock.asleepMs() - due.asleepAt >= 1000;", "const bool slept = true;",
     "tst_clockwork"),
    ("snooze half as long", "src/core/clockwork.cpp", "int64_t(settings.snoozeUsed()) * 60",
     "int64_t(settings.snoozeUsed()) * 30", r"e2e\.test_weekdays\.snooze"),
    ("the ringing limit reached ten times late", "src/core/clockwork.cpp",
     "if (ringSeconds >= settings.maxRingSeconds) {",
     "if (ringSeconds >= 10 * settings.maxRingSeconds) {",
     r"e2e\.test_faults\.(rings_and_stops|ringing_without)"),
    ("gentle start on a straight line", "src/core/clockwork.cpp",
     "int(Sound::fullVolume * f * f)", "int(Sound::fullVolume * f)", "tst_clockwork"),
    ("volume set on a closed device", "src/platform/sdlsound.cpp",
     "if (deviceOpen && playing.kind == Kind::Alarm)", "if (playing.kind == Kind::Alarm)",
     "tst_sdlsound"),
    ("save put off by every change", "src/core/pendingsave.cpp",
     "    if (!timer.isActive())\n        timer.start();", "    timer.start();", "tst_pendingsave"),
    ("a second warning over the first", "src/core/pendingsave.cpp",
     "    if (reported)\n        return;\n", "", "tst_pendingsave"),
    ("two days as a range", "src/dialogs/alarmsetdialog.cpp",
     "if (end - d >= 2) {", "if (end - d >= 1) {", "tst_alarmsetdialog"),
    ("a killed clock's socket kept", "src/platform/singleinstance.cpp",
     "    ::unlink(address.sun_path);\n    if (::bind", "    if (::bind", "tst_singleinstance"),
    ("a refused knock not retried", "src/platform/singleinstance.cpp",
     "if (left <= left.zero()) {", "if (true) {", "tst_singleinstance"),
    ("the lock not retried during the knock", "src/platform/singleinstance.cpp",
     "            if (::flock(lockFd, LOCK_EX | LOCK_NB) == 0)\n                break;\n", "",
     "tst_singleinstance"),
    ("a command line without its end read on and on", "src/platform/singleinstance.cpp",
     "if (end < 0 && p.received.size() <= maxRequest)", "if (end < 0)",
     r"e2e\.test_commands\.commands_drive"),
    ("an added alarm left unsaved", "src/core/commands.cpp",
     "                                          : QString(),\n                true};",
     "                                          : QString(),\n                false};",
     r"tst_commandline|e2e\.test_commands\.commands_drive"),
    ("a lock that is no regular file", "src/platform/singleinstance.cpp",
     "|| !S_ISREG(status.st_mode)", "", "tst_singleinstance"),
    ("an older ask's late answer kept", "src/platform/desktopnotifier.cpp",
     "const bool stillWanted = generation == ringingGeneration && ringingWanted;",
     "const bool stillWanted = bool(ringingWanted);", "tst_desktopnotifier"),
    ("a signal's quit tells of the next alarm", "src/face/facecontroller.cpp",
     "    if (by == QuitBy::User)\n", "    if (true)\n", "tst_facewindow"),
    ("the user's quit tells nothing", "src/face/facecontroller.cpp",
     "        tellWhatWillNotRing();\n", "        ;\n", "tst_facewindow"),
    ("the quit's save skipped", "src/face/facecontroller.cpp",
     "    store.save(SavePolicy::Fatal);\n    store.finish();", "    store.finish();",
     "tst_facewindow"),
    ("the quit does not wait for its notice", "src/face/facecontroller.cpp",
     "if (!notifier.busy()) {", "if (true) {", r"e2e\.test_reliability\.only_the_users"),
    ("a notice's answer never settles", "src/platform/desktopnotifier.cpp",
     "            if (--informsInFlight == 0 && informPending.isEmpty())\n"
     "                Q_EMIT settled();\n", "            --informsInFlight;\n",
     "tst_desktopnotifier"),
    ("the next ring in the present minute", "src/core/nextring.cpp",
     "if (at <= now ||", "if (at < now ||", "tst_alarmnotices"),
    ("the next ring on any weekday", "src/core/nextring.cpp",
     "|| !alarm.ringsOn(when.tm_wday))", "|| alarm.isDone())", "tst_alarmnotices"),
    ("the logo's slide a tick short", "src/core/logoanimation.cpp",
     "if (logoRows > logoSize.height()) {", "if (logoRows >= logoSize.height()) {",
     "tst_logoanimation"),
    ("the logo's copies kept off the window", "src/core/logoanimation.cpp",
     "QRect(to, from.size()), true};", "QRect(to, from.size()), false};", "tst_logoanimation"),
    ("the badge's band off its middle", "src/core/logoanimation.cpp",
     "const int32_t t = (badgeSize.height() - h) / 2;",
     "const int32_t t = (badgeSize.height() - h) / 2 + 1;", "tst_logoanimation"),
    ("a click ends the logo a tick early", "src/core/logoanimation.cpp",
     "return badgeRows > badgeSize.height();", "return badgeRows >= badgeSize.height();",
     "tst_logoanimation"),
    ("the badge opens at the slide's pace", "src/core/logoanimation.cpp",
     "step.periodMs = openMs;", "step.periodMs = slideMs;", "tst_logoanimation"),
    ("the next ring a day short of a week", "src/core/nextring.cpp",
     "for (int day = 0; day <= 7; ++day)", "for (int day = 0; day < 7; ++day)",
     "tst_alarmnotices"),
]


def run(command, **kw):
    return subprocess.run(command, cwd=BUILD, capture_output=True, text=True, **kw)


def targets(pattern):
    """The build targets behind a ctest pattern: each tst_ name, the clock for e2e tests."""
    names = set(re.findall(r"tst_\w+", pattern))
    return sorted(names | ({"zelka", "zelka_faultshim"} if "e2e" in pattern else set()))


def try_mutant(path, original, replacement, pattern):
    """'killed', 'survived', or why the mutant could not be tried."""
    with open(path) as f:
        source = f.read()
    if source.count(original) != 1:
        return f"not applied: the text occurs {source.count(original)} times"
    try:
        with open(path, "w") as f:
            f.write(source.replace(original, replacement))
        if run(["cmake", "--build", ".", "--target", *targets(pattern)]).returncode != 0:
            return "killed (does not build)"
        tests = run(["ctest", "-R", pattern, "--timeout", "120"])
        if "No tests were found" in tests.stdout + tests.stderr:
            return f"not applied: no test matches {pattern}"
        return "survived" if tests.returncode == 0 else "killed"
    finally:
        with open(path, "w") as f:
            f.write(source)


def main(only):
    chosen = [m for m in MUTANTS if not only or any(o in m[0] for o in only)]
    results = []
    for name, file, original, replacement, pattern in chosen:
        outcome = try_mutant(os.path.join(ROOT, file), original, replacement, pattern)
        print(f"{outcome:40} {name} ({file}; {pattern})", flush=True)
        results.append(outcome)
    tried = [r for r in results if not r.startswith("not applied")]
    killed = sum(r.startswith("killed") for r in tried)
    print(f"\n{killed} of {len(tried)} killed ({100 * killed // max(1, len(tried))} %); "
          f"{len(results) - len(tried)} not applied")
    # The tree is as it was: rebuild what the last mutant left built.
    run(["cmake", "--build", ".", "--target", *sorted({t for m in chosen for t in targets(m[4])})])
    return 0 if killed == len(tried) else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
