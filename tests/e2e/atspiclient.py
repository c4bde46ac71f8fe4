"""An AT-SPI client, as a screen reader is one: run by /usr/bin/python3 (Debian's
python3-pyatspi) in the environment of a test's accessibility bus.

  atspiclient.py tree            prints the applications, their windows and buttons as JSON
  atspiclient.py press NAME [ACTION]
                                 does the first action, or the named one, of the first
                                 control of that name with actions in Zelka!'s windows
  atspiclient.py controls        prints Zelka!'s windows and every control in them as JSON
  atspiclient.py listen SECONDS  prints description and children changes as JSON lines,
                                 "ready" first, for SECONDS
"""
import json
import sys

import pyatspi
from gi.repository import GLib


def button(child):
    ext = child.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    action = child.queryAction()
    return {"name": child.name, "role": child.getRoleName(),
            "rect": [ext.x, ext.y, ext.width, ext.height],
            "actions": [action.getName(i) for i in range(action.nActions)]}


def tree():
    apps = []
    for app in pyatspi.Registry.getDesktop(0):
        if app is None:
            continue
        try:
            windows = [{"name": w.name, "description": w.description, "role": w.getRoleName(),
                        "buttons": [button(c) for c in w]} for w in app]
            apps.append({"name": app.name, "windows": windows})
        except Exception:
            # An application still registering, or a button of a skin that has just gone:
            # the caller asks again.
            continue
    return apps


def zelka_windows():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "Zelka!":
            return list(app)
    return []


def descendants(node, depth=0):
    """Every control under node, depth first; a combo box's popup list is as deep as it goes."""
    for child in node:
        if child is None:
            continue
        yield child
        if depth < 12:
            yield from descendants(child, depth + 1)


def actions_of(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def press(name, action_name=None):
    for window in zelka_windows():
        for child in descendants(window):
            names = actions_of(child) if child.name == name else []
            if names:
                action = child.queryAction()
                if action_name is None:
                    return action.doAction(0)
                return action_name in names and action.doAction(names.index(action_name))
    return False


def controls():
    found = []
    for window in zelka_windows():
        listed = []
        for child in descendants(window):
            states = child.getState()
            listed.append({"name": child.name, "role": child.getRoleName(),
                           "focusable": states.contains(pyatspi.STATE_FOCUSABLE),
                           "focused": states.contains(pyatspi.STATE_FOCUSED),
                           "showing": states.contains(pyatspi.STATE_SHOWING),
                           "actions": actions_of(child)})
        found.append({"name": window.name, "role": window.getRoleName(), "controls": listed})
    return found


def listen(seconds):
    def heard(event):
        if event.type == "object:property-change:accessible-description":
            detail = event.source.description  # Qt sends the object, not the text
        elif event.type.startswith("object:children-changed"):
            try:
                detail = event.any_data.name
            except Exception:
                detail = None  # a removed child may be gone already
        else:
            return
        print(json.dumps({"type": event.type, "source": event.source.name, "detail": detail},
                         ensure_ascii=False), flush=True)

    # The kinds a screen reader asks for. Qt 6.4 wakes its removal events with state
    # changes, and its property changes only with the whole kind.
    pyatspi.Registry.registerEventListener(
        heard, "object:property-change", "object:children-changed", "object:state-changed")
    GLib.timeout_add(int(seconds * 1000), pyatspi.Registry.stop)
    print("ready", flush=True)
    pyatspi.Registry.start()


if __name__ == "__main__":
    command = sys.argv[1]
    if command == "tree":
        print(json.dumps(tree(), ensure_ascii=False))
    elif command == "press":
        print(json.dumps(bool(press(*sys.argv[2:4]))))
    elif command == "controls":
        print(json.dumps(controls(), ensure_ascii=False))
    elif command == "listen":
        listen(float(sys.argv[2]))
