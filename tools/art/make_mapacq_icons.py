#!/usr/bin/env python3
"""Draws the icons of the map-acquisition dialogs (new flight plan, snapshot,
geo-referencing) in the style of the shell icons and renders them to PNG
with ImageMagick: python3 tools/art/make_mapacq_icons.py resources/mapacq"""
import os, subprocess, sys

OUT = sys.argv[1] if len(sys.argv) > 1 else "resources/mapacq"

def tile(colour, glyph):
    return f'''<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">
  <rect x="2" y="2" width="60" height="60" rx="12" fill="{colour}"/>
  <g fill="none" stroke="#fff" stroke-width="5" stroke-linecap="round" stroke-linejoin="round">{glyph}</g>
</svg>
'''

BLUE, GREEN, ORANGE, RED = "#2f7fd0", "#3a9d5d", "#e08a1e", "#d64541"
MAP = 'M10 16 l14 -5 l16 5 l14 -5 v38 l-14 5 l-16 -5 l-14 5 z'

ICONS = {
    "newWP": (GREEN, '<path d="M20 12 h18 l10 10 v30 h-28 z"/><path d="M34 30 v16 M26 38 h16"/>'),
    "fp_newmap": (BLUE, f'<path d="{MAP}"/><path d="M32 22 v16 M24 30 h16"/>'),
    "gcp_map": (ORANGE, '<path d="M10 12 h44 v40 h-44 z"/><path d="M20 22 l4 6 l4 -6 z M40 24 l4 6 l4 -6 z M26 38 l4 6 l4 -6 z"/>'),
    "goto": (BLUE, '<circle cx="32" cy="32" r="16"/><path d="M32 8 v12 M32 44 v12 M8 32 h12 M44 32 h12"/><circle cx="32" cy="32" r="2"/>'),
    "close": (RED, '<path d="M20 20 L44 44 M44 20 L20 44"/>'),
}

# The numbered pins of the geo-referencing side bar, drawn like the pins on
# the canvas: a yellow pentagon pointing down with its digit.
DIGITS = {
    1: '<path d="M15 11 l3 -2 v13"/>',
    2: '<path d="M13 11 a4 4 0 1 1 7 3 l-7 8 h8"/>',
    3: '<path d="M13 10 a4 3.5 0 1 1 4 5 a4 3.5 0 1 1 -4 5"/>',
}

def pin(n):
    return f'''<svg xmlns="http://www.w3.org/2000/svg" width="34" height="34" viewBox="0 0 34 34">
  <path d="M7 2 h20 v10 l-10 20 l-10 -20 z" fill="#ffff50" stroke="#000" stroke-width="2" stroke-linejoin="bevel"/>
  <g fill="none" stroke="#000" stroke-width="2" stroke-linecap="round" stroke-linejoin="round" transform="translate(0 -2)">{DIGITS[n]}</g>
</svg>
'''

os.makedirs(OUT, exist_ok=True)
files = {name: tile(c, g) for name, (c, g) in ICONS.items()}
files.update({f"pin{n}": pin(n) for n in (1, 2, 3)})
for name, svg in files.items():
    path = os.path.join(OUT, name + ".svg")
    with open(path, "w") as f:
        f.write(svg)
    subprocess.run(["convert", "-background", "none", path, os.path.join(OUT, name + ".png")], check=True)
