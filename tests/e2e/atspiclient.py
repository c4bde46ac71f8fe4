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
    return {"name": child.name, "description": child.description, "role": child.getRoleName(),
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
    apps = [a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "Zelka!"]
    return list(apps[0]) if apps else []


def descendants(node, depth=0):
    """Every control under node, depth first, as deep as a combo box's list goes."""
    for child in filter(None, node):
        yield child
        yield from descendants(child, depth + 1) if depth < 12 else ()


def actions_of(node):
    try:
        action = node.queryAction()
        return [action.getName(i) for i in range(action.nActions)]
    except NotImplementedError:
        return []


def press(name, action_name=None):
    for child in (c for w in zelka_windows() for c in descendants(w) if c.name == name):
        names = actions_of(child)
        if names:
            wanted = action_name or names[0]
            return wanted in names and child.queryAction().doAction(names.index(wanted))
    return False


def controls():
    def control(child):
        states = child.getState()
        return dict({state: states.contains(getattr(pyatspi, "STATE_" + state.upper()))
                     for state in ("focusable", "focused", "showing")},
                    name=child.name, role=child.getRoleName(), actions=actions_of(child))
    return [{"name": w.name, "role": w.getRoleName(), "controls": list(map(control, descendants(w)))}
            for w in zelka_windows()]


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
