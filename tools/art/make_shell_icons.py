#!/usr/bin/env python3
"""Draws the program's menu and tab icons (SVG) in one consistent style:
a white glyph on a rounded square of the area's colour."""
import os, sys

OUT = sys.argv[1] if len(sys.argv) > 1 else "resources/shell"

def tile(colour, glyph):
    return f'''<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">
  <rect x="2" y="2" width="60" height="60" rx="12" fill="{colour}"/>
  <g fill="none" stroke="#fff" stroke-width="5" stroke-linecap="round" stroke-linejoin="round">{glyph}</g>
</svg>
'''

BLUE, GREEN, ORANGE, RED, PURPLE, GREY, TEAL = "#2f7fd0", "#3a9d5d", "#e08a1e", "#d64541", "#7b59b5", "#6b7785", "#1f9aa0"

ICONS = {
    "connect": (BLUE, '<path d="M14 40 l10 10 M24 30 l10 10 M20 44 l-6 6 M44 20 l6 -6"/><path d="M30 24 l10 -10 l10 10 l-10 10 z"/><path d="M24 30 l-10 10 l10 10 l10 -10"/>'),
    "newWP": (GREEN, '<path d="M20 12 h18 l10 10 v30 h-28 z"/><path d="M34 30 v16 M26 38 h16"/>'),
    "loadWP": (GREEN, '<path d="M10 20 h16 l4 6 h24 v26 h-44 z"/><path d="M32 34 v12 M26 40 l6 6 l6 -6"/>'),
    "saveWP": (GREEN, '<path d="M14 14 h30 l8 8 v28 h-38 z"/><path d="M22 14 v12 h18 v-12 M22 50 v-14 h20 v14"/>'),
    "wp_import": (TEAL, '<path d="M32 10 v28 M22 28 l10 10 l10 -10"/><path d="M12 42 v10 h40 v-10"/>'),
    "zpx_import": (TEAL, '<path d="M14 12 h36 v40 h-36 z"/><path d="M24 22 h16 l-16 20 h16"/>'),
    "exit": (RED, '<path d="M26 14 h-12 v36 h12"/><path d="M30 32 h22 M44 24 l8 8 l-8 8"/>'),
    "programsettings": (GREY, '<circle cx="32" cy="32" r="9"/><path d="M32 10 v8 M32 46 v8 M10 32 h8 M46 32 h8 M16 16 l6 6 M42 42 l6 6 M48 16 l-6 6 M22 42 l-6 6"/>'),
    "placemarks": (ORANGE, '<path d="M32 54 c-10 -14 -16 -22 -16 -30 a16 16 0 0 1 32 0 c0 8 -6 16 -16 30 z"/><circle cx="32" cy="24" r="5"/>'),
    "flightbook": (PURPLE, '<path d="M14 12 h30 a6 6 0 0 1 6 6 v34 h-30 a6 6 0 0 1 -6 -6 z"/><path d="M22 24 h20 M22 32 h20 M22 40 h12"/>'),
    "phototagger": (BLUE, '<path d="M10 22 h10 l4 -6 h16 l4 6 h10 v28 h-44 z"/><circle cx="32" cy="35" r="8"/>'),
    "thermal": (RED, '<path d="M28 12 a4 4 0 0 1 8 0 v24 a10 10 0 1 1 -8 0 z"/><path d="M32 26 v16"/>'),
    "radiconv": (ORANGE, '<path d="M14 24 h30 M36 16 l8 8 l-8 8"/><path d="M50 40 h-30 M28 32 l-8 8 l8 8"/>'),
    "database": (TEAL, '<ellipse cx="32" cy="16" rx="16" ry="6"/><path d="M16 16 v32 c0 8 32 8 32 0 v-32 M16 32 c0 8 32 8 32 0"/>'),
    "introduction": (GREEN, '<path d="M12 18 c8 -4 14 -4 20 2 c6 -6 12 -6 20 -2 v32 c-8 -4 -14 -4 -20 2 c-6 -6 -12 -6 -20 -2 z M32 20 v32"/>'),
    "manual": (BLUE, '<circle cx="32" cy="32" r="20"/><path d="M26 26 a6 6 0 1 1 8 6 c-2 1 -2 3 -2 5"/><path d="M32 45 v1"/>'),
    "checkforupdate": (PURPLE, '<path d="M48 26 a17 17 0 1 0 2 10"/><path d="M50 14 v12 h-12"/>'),
    "submitfeedback": (ORANGE, '<path d="M10 18 h44 v30 h-44 z"/><path d="M10 18 l22 18 l22 -18"/>'),
    "about": (GREY, '<circle cx="32" cy="32" r="20"/><path d="M32 29 v14 M32 21 v1"/>'),
    "welcome": (GREEN, '<path d="M12 32 l20 -18 l20 18 M18 28 v22 h28 v-22"/><path d="M28 50 v-12 h8 v12"/>'),
    "aci": (GREY, '<path d="M14 16 h36 M14 28 h36 M14 40 h36 M14 52 h20"/>'),
}

# Program icon: the aircraft seen from above.
APP = '''<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 64 64">
  <rect x="2" y="2" width="60" height="60" rx="14" fill="#1d3b5c"/>
  <g stroke="#9fd0ff" stroke-width="3" stroke-linecap="round"><path d="M18 18 L46 46 M46 18 L18 46"/></g>
  <g fill="none" stroke="#fff" stroke-width="2.5">
    <circle cx="16" cy="16" r="8"/><circle cx="48" cy="16" r="8"/><circle cx="16" cy="48" r="8"/><circle cx="48" cy="48" r="8"/>
  </g>
  <circle cx="32" cy="32" r="6" fill="#f2b01e"/>
</svg>
'''

os.makedirs(OUT, exist_ok=True)
for name, (colour, glyph) in ICONS.items():
    with open(os.path.join(OUT, name + ".svg"), "w") as f:
        f.write(tile(colour, glyph))
with open(os.path.join(OUT, "icon.svg"), "w") as f:
    f.write(APP)
