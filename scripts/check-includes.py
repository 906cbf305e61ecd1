#!/usr/bin/env python3
"""Checks the shape of src/: no include loops between files or between folders,
and no folder with more than 20 files.

A file's folder is the folder it lies in; "src/ui/result" and "src/ui/result/chart"
are two folders. An include loop between folders is a cycle in the graph where
folder A points at folder B when a file in A includes a file in B. Exits 1 with
the loops and crowded folders named, 0 when there are none.
"""
import os
import re
import sys
from collections import defaultdict

MAX_FILES = 20
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def sources(root):
    for folder, _, names in os.walk(root):
        for name in names:
            if name.endswith((".cpp", ".h")):
                yield os.path.relpath(os.path.join(folder, name), root)


def cycles(graph):
    """Every strongly connected component with more than one node, or with a
    node that points at itself (Tarjan's algorithm, iterative)."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []
    counter = 0
    for start in sorted(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph[start])))]
        index[start] = low[start] = counter
        counter += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, edges = work[-1]
            advanced = False
            for nxt in edges:
                if nxt not in index:
                    index[nxt] = low[nxt] = counter
                    counter += 1
                    stack.append(nxt)
                    on_stack.add(nxt)
                    work.append((nxt, iter(sorted(graph.get(nxt, ())))))
                    advanced = True
                    break
                if nxt in on_stack:
                    low[node] = min(low[node], index[nxt])
            if advanced:
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                component = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    component.append(member)
                    if member == node:
                        break
                if len(component) > 1 or node in graph.get(node, ()):
                    found.append(sorted(component))
    return found


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
    files = set(sources(root))
    file_graph = defaultdict(set)
    folder_graph = defaultdict(set)
    for path in files:
        with open(os.path.join(root, path), encoding="utf-8") as source:
            for included in INCLUDE.findall(source.read()):
                if included not in files:
                    continue  # a system or generated header
                file_graph[path].add(included)
                here, there = os.path.dirname(path), os.path.dirname(included)
                if here != there:
                    folder_graph[here].add(there)

    problems = []
    # A header and its own .cpp are one unit: "a.cpp includes a.h" is no loop.
    units = defaultdict(set)
    for path, targets in file_graph.items():
        unit = os.path.splitext(path)[0]
        units[unit] |= {os.path.splitext(t)[0] for t in targets} - {unit}
    for loop in cycles(units):
        problems.append("include loop between files: " + " -> ".join(loop))
    for loop in cycles(folder_graph):
        problems.append("include loop between folders: " + " -> ".join(loop))
    counts = defaultdict(int)
    for path in files:
        counts[os.path.dirname(path)] += 1
    for folder, count in sorted(counts.items()):
        if count > MAX_FILES:
            problems.append(f"src/{folder} holds {count} files (at most {MAX_FILES})")

    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
