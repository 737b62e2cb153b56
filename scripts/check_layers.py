#!/usr/bin/env python3
"""Fails when a source file includes a header of a layer its own layer may not use.

The layers, their folders and what each links are read from the build files: the
carvantel_layer(...) calls of CMakeLists.txt, lowest first, and the carvantel_tests(...) calls
of tests/CMakeLists.txt, which give each test folder the layer it tests. A layer may use itself
and, through the layers it links, everything they may use; a layer may link only layers listed
before it. A header outside every layer (tests/support) is followed into, and what it includes
counts for the file that included it.

    python3 scripts/check_layers.py [SOURCE_ROOT]
"""

import os
import re
import sys

SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".c")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
CALL = re.compile(r"\b(carvantel_layer|carvantel_tests)\s*\(([^)]*)\)", re.S)
KEYWORDS = {"SUBDIRS", "QT_APPLICATION"}


def cmake_calls(path, name):
    """The argument lists of every call of `name` in a CMake file, comments removed."""
    if not os.path.exists(path):
        return []
    with open(path, encoding="utf-8") as f:
        text = "\n".join(line.split("#", 1)[0] for line in f)
    return [m.group(2).split() for m in CALL.finditer(text) if m.group(1) == name]


def split_subdirs(args):
    """(plain arguments, sub-folders listed after SUBDIRS)."""
    plain, subdirs, in_subdirs = [], [], False
    for arg in args:
        if arg == "SUBDIRS":
            in_subdirs = True
        elif arg in KEYWORDS:
            in_subdirs = False
        elif in_subdirs:
            subdirs.append(arg)
        else:
            plain.append(arg)
    return plain, subdirs


class Layers:
    def __init__(self, root):
        self.root = root
        self.order = []  # layer names, lowest first
        self.links = {}  # layer -> the layers it links
        self.folders = {}  # folder (relative to root) -> the layers its files may use
        self.owner = {}  # folder -> the layer it belongs to
        self.problems = []
        for args in cmake_calls(os.path.join(root, "CMakeLists.txt"), "carvantel_layer"):
            plain, subdirs = split_subdirs(args)
            name, folder, deps = plain[0], plain[1], plain[2:]
            self.order.append(name)
            self.links[name] = deps
            for sub in [folder] + [folder + "/" + s for s in subdirs]:
                self.owner[sub] = name
        for name in self.order:
            for dep in self.links[name]:
                if dep in self.links and self.order.index(dep) >= self.order.index(name):
                    self.problems.append(
                        "CMakeLists.txt: layer %s links %s, which stands above it" % (name, dep))
        for folder, name in list(self.owner.items()):
            self.folders[folder] = self.uses(name)
        for args in cmake_calls(os.path.join(root, "tests", "CMakeLists.txt"), "carvantel_tests"):
            plain, subdirs = split_subdirs(args)
            name, folder, extra = plain[0], plain[1], plain[2:]
            allowed = set(self.uses(name))
            for lib in extra:
                allowed |= self.uses(lib)
            for sub in [folder] + [folder + "/" + s for s in subdirs]:
                self.folders["tests/" + sub] = allowed
                self.owner["tests/" + sub] = name

    def uses(self, name):
        """The layers a layer may use: itself and, through its links, theirs."""
        seen, todo = set(), [name]
        while todo:
            layer = todo.pop()
            if layer in seen or layer not in self.links:
                continue
            seen.add(layer)
            todo.extend(self.links[layer])
        return seen

    def folder_of(self, relpath):
        """The longest layer or test folder holding the file, or None."""
        folder = os.path.dirname(relpath)
        while folder:
            if folder in self.folders:
                return folder
            folder = os.path.dirname(folder)
        return None

    def layer_of(self, relpath):
        """The layer a file belongs to (a test file: the layer it tests), or None."""
        folder = self.folder_of(relpath)
        return None if folder is None else self.owner[folder]

    def who(self, folder):
        return self.owner[folder] + (" tests" if folder.startswith("tests/") else "")

    def resolve(self, includer, target):
        """The included file relative to the root, as the compiler would find it, or None."""
        for base in (os.path.dirname(includer), "", "tests"):
            candidate = os.path.normpath(os.path.join(base, target))
            if os.path.isfile(os.path.join(self.root, candidate)):
                return candidate
        return None

    def includes(self, relpath):
        """(line number, written name, resolved file) of every quoted include of a file."""
        with open(os.path.join(self.root, relpath), encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if m:
                    yield number, m.group(1), self.resolve(relpath, m.group(1))

    def check_file(self, relpath, allowed, who, via=(), seen=None):
        seen = set() if seen is None else seen
        for number, written, target in self.includes(relpath):
            if target is None or target in seen:
                continue
            seen.add(target)
            where = "%s:%d" % (relpath, number)
            layer = self.layer_of(target)
            if layer is not None and layer not in allowed:
                chain = "".join(" (through %s)" % v for v in via)
                self.problems.append('%s: includes "%s" of layer %s, which %s may not use%s; it may use %s' % (
                    where, written, layer, who, chain, ", ".join(sorted(allowed))))
            elif self.folder_of(target) is None:
                self.check_file(target, allowed, who, via + (where,), seen)

    def check_tree(self):
        for top, dirs, files in os.walk(self.root):
            dirs[:] = sorted(d for d in dirs if not d.startswith(".") and not (top == self.root and d.startswith("build")))
            for name in sorted(files):
                relpath = os.path.relpath(os.path.join(top, name), self.root)
                folder = self.folder_of(relpath)
                if name.endswith(SOURCE_SUFFIXES) and folder is not None:
                    self.check_file(relpath, self.folders[folder], self.who(folder))
        return self.problems


def main(argv):
    root = os.path.abspath(argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    layers = Layers(root)
    if not layers.order:
        print("No layers found in %s/CMakeLists.txt" % root)
        return 2
    problems = layers.check_tree()
    for problem in problems:
        print(problem)
    if problems:
        print("%d include(s) against the layers" % len(problems))
        return 1
    print("Layers %s: every include goes down" % " < ".join(layers.order))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
