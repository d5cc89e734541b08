#!/usr/bin/env python3
"""Checks the include graph of src/ against the layers the build declares.

Usage: check_layers.py SRC_DIR LAYERS_FILE [--graph]

LAYERS_FILE has one line per layer, "name: dependency ...", written by
src/CMakeLists.txt from its ztr_layer() calls. Every file in SRC_DIR/name/
may include headers of its own layer and of the layers below it (the
dependencies, followed through), nothing else; and no chain of includes may
lead back to the file it starts from. Prints each fault and exits 1; with
--graph, also prints the layer-to-layer include counts.
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def read_layers(path):
    layers = {}
    with open(path, encoding="utf-8") as f:
        for line in f:
            if ":" in line:
                name, deps = line.split(":", 1)
                layers[name.strip()] = deps.split()
    return layers


def below(layers, name, seen=None):
    """The layers `name` may use: its dependencies and theirs."""
    seen = set() if seen is None else seen
    for dep in layers.get(name, []):
        if dep not in seen:
            seen.add(dep)
            below(layers, dep, seen)
    return seen


def find_cycle(graph):
    """One include cycle as a list of files, or None (iterative DFS)."""
    state = {}  # 1: on the current path, 2: done
    for root in sorted(graph):
        if state.get(root):
            continue
        path, stack = [root], [iter(sorted(graph[root]))]
        state[root] = 1
        while stack:
            nxt = next(stack[-1], None)
            if nxt is None:
                state[path.pop()] = 2
                stack.pop()
            elif state.get(nxt) == 1:
                return path[path.index(nxt):] + [nxt]
            elif nxt not in state and nxt in graph:
                state[nxt] = 1
                path.append(nxt)
                stack.append(iter(sorted(graph[nxt])))
    return None


def main(argv):
    src, layer_file = argv[1], argv[2]
    layers = read_layers(layer_file)
    faults, graph, counts = [], {}, {}
    for layer in sorted(os.listdir(src)):
        folder = os.path.join(src, layer)
        if not os.path.isdir(folder):
            continue
        if layer not in layers:
            faults.append(f"{layer}/: a folder that is no layer of the build")
            continue
        allowed = below(layers, layer) | {layer}
        files = sorted(
            os.path.relpath(os.path.join(d, n), src).replace(os.sep, "/")
            for d, _, names in os.walk(folder)
            for n in names
            if n.endswith((".h", ".cpp")))
        for rel in files:
            with open(os.path.join(src, rel), encoding="utf-8") as f:
                includes = INCLUDE.findall(f.read())
            graph[rel] = set()
            for inc in includes:
                target = inc.split("/", 1)[0]
                if "/" not in inc or not os.path.isdir(os.path.join(src, target)):
                    continue  # not one of ours
                counts[(layer, target)] = counts.get((layer, target), 0) + 1
                graph[rel].add(inc)
                if target not in allowed:
                    faults.append(f"{rel} includes {inc}: {layer} is below {target}")
    cycle = find_cycle(graph)
    if cycle:
        faults.append("include cycle: " + " -> ".join(cycle))
    if "--graph" in argv:
        for (a, b), n in sorted(counts.items()):
            if a != b:
                print(f"{a} -> {b}: {n}")
    for fault in faults:
        print(f"check_layers: {fault}", file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
