#!/usr/bin/env python3
"""Fails when the modules of the source tree include each other in a circle.

A module is a header with its source file (app/run_key.h and app/run_key.cpp): one
that includes another's header depends on it. The layer check sees only folders; this
one sees the files within a folder too. Usage: check_include_cycles.py [source root]
"""
import os
import re
import sys

FOLDERS = ("app", "ui", "model", "hw", "sim", "tests", "bench")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+/[^"]+)"', re.MULTILINE)


def modules(root):
    """Each module's name (folder/stem) with the modules its files include."""
    graph = {}
    for folder in FOLDERS:
        for directory, _, files in os.walk(os.path.join(root, folder)):
            for name in files:
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(directory, name)
                module = os.path.splitext(os.path.relpath(path, root))[0]
                with open(path, encoding="utf-8", errors="replace") as source:
                    targets = {os.path.splitext(t)[0] for t in INCLUDE.findall(source.read())}
                graph.setdefault(module, set()).update(targets - {module})
    return graph


def find_cycle(graph):
    """One circle of modules, as a list that starts and ends with the same one, or None."""
    state = {}  # absent: not seen; 1: on the current path; 2: done
    path = []

    def visit(module):
        state[module] = 1
        path.append(module)
        for target in sorted(graph.get(module, ())):
            if state.get(target) == 1:
                return path[path.index(target):] + [target]
            if target not in state:
                cycle = visit(target)
                if cycle:
                    return cycle
        path.pop()
        state[module] = 2
        return None

    for module in sorted(graph):
        if module not in state:
            cycle = visit(module)
            if cycle:
                return cycle
    return None


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    graph = modules(root)
    cycle = find_cycle(graph)
    if cycle:
        print("include cycle: " + " -> ".join(cycle), file=sys.stderr)
        return 1
    print(f"no include cycles among {len(graph)} modules")
    return 0


if __name__ == "__main__":
    sys.exit(main())
