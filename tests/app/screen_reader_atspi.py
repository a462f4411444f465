"""Reads the running main window over AT-SPI and checks each control's role and name."""
import sys
import time

import pyatspi

# (role, name, the name of its label or None): one row per kind of control.
EXPECTED = [
    ("frame", "Quillet", None),
    ("list", "Files to Convert", None),
    ("image", "Preview", None),
    ("text", "Target folder", None),
    ("push button", "Fill color: black", None),
    ("combo box", "JPEG", "Format:"),
    ("spin button", "Quality", "Quality:"),
    ("combo box", "Preset", None),
    ("check box", "Include subfolders", None),
    ("check box", "Skip thumbnails that are up to date", None),
    ("progress bar", "Progress", None),
    ("text", "Log", None),
    ("push button", "Convert", None),
]


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for _ in range(300):
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == "Quillet" and app.childCount:
                return app
        time.sleep(0.1)
    return None


def controls(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from controls(child)


def label_of(node):
    for relation in node.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            return relation.getTarget(0).name
    return None


app = application()
if app is None:
    print("FAIL: the window never appeared on the accessibility bus")
    sys.exit(1)
seen = [(node.getRoleName(), node.name, node) for node in controls(app)]
failures = 0
for role, name, label in EXPECTED:
    found = [node for r, n, node in seen if r == role and n == name]
    if not found:
        print(f"FAIL: no {role} named {name!r}; the {role}s: {[n for r, n, _ in seen if r == role]}")
        failures += 1
    elif label is not None and label_of(found[0]) != label:
        print(f"FAIL: the {role} {name!r} is labelled by {label_of(found[0])!r}, not {label!r}")
        failures += 1
if not failures:
    print(f"{len(EXPECTED)} controls announced with their roles and names")
sys.exit(1 if failures else 0)
