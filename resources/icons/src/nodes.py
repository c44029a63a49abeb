#!/usr/bin/env python3
# Writes the object tree's node icon sources (16x16 SVG), one per image index:
# 0 table, 1 view, 2 procedure, 3 trigger, 4 synonym, 5 connection, 6 user,
# 7 role. Same palette and strokes as the tool-bar set (icons.py); light fills
# inside dark outlines keep them readable on light and dark palettes. Run
# make.sh afterwards; the build only uses the committed 16 and 32 pixel PNGs.
from icons import BLUE, BLUE_D, GREEN, GREEN_D, YELLOW, YELLOW_D, PAPER, INK, GREY

def svg(body):
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" '
            'viewBox="0 0 16 16">\n' + body + '\n</svg>\n')

def grid(header, header_d, x=1.5, y=2.5, w=13, h=11):
    s = (f'<rect x="{x}" y="{y}" width="{w}" height="{h}" fill="{PAPER}" stroke="{INK}" stroke-width="1"/>'
         f'<rect x="{x}" y="{y}" width="{w}" height="3" fill="{header}" stroke="{header_d}" stroke-width="1"/>')
    for ly in (y + 6, y + 8.5):
        s += f'<line x1="{x+0.5}" y1="{ly}" x2="{x+w-0.5}" y2="{ly}" stroke="{GREY}" stroke-width="1"/>'
    s += f'<line x1="{x+5}" y1="{y+3}" x2="{x+5}" y2="{y+h-0.5}" stroke="{GREY}" stroke-width="1"/>'
    return s

def person(cx, body, body_d, y=0):
    return (f'<path d="M{cx-4.5} {15.5+y} V{13+y} A4.5 3.8 0 0 1 {cx+4.5} {13+y} V{15.5+y} Z" '
            f'fill="{body}" stroke="{body_d}" stroke-width="1"/>'
            f'<circle cx="{cx}" cy="{6+y}" r="3" fill="#f3c9a0" stroke="#8a5a32" stroke-width="1"/>')

NODES = {
    "node-0-table": grid(BLUE, BLUE_D),
    "node-1-view": grid(GREEN, GREEN_D, 1.5, 1.5, 12, 10) +
        f'<ellipse cx="11" cy="12" rx="4.5" ry="2.8" fill="{PAPER}" stroke="{INK}" stroke-width="1"/>'
        f'<circle cx="11" cy="12" r="1.6" fill="{GREEN_D}"/>',
    "node-2-procedure":
        f'<rect x="2.5" y="1.5" width="10" height="13" fill="{PAPER}" stroke="{INK}" stroke-width="1"/>'
        f'<line x1="4.5" y1="4.5" x2="10" y2="4.5" stroke="{BLUE_D}" stroke-width="1.2"/>'
        f'<line x1="6.5" y1="7" x2="10.5" y2="7" stroke="{GREY}" stroke-width="1.2"/>'
        f'<line x1="6.5" y1="9.5" x2="9" y2="9.5" stroke="{GREY}" stroke-width="1.2"/>'
        f'<polygon points="9,9.5 15.5,12.5 9,15.5" fill="{GREEN}" stroke="{GREEN_D}" stroke-width="1" stroke-linejoin="round"/>',
    "node-3-trigger":
        f'<polygon points="9.5,0.8 3,9 7.5,9 5.5,15.2 13,6.5 8.5,6.5 11,0.8" '
        f'fill="{YELLOW}" stroke="{YELLOW_D}" stroke-width="1" stroke-linejoin="round"/>',
    "node-4-synonym":
        f'<rect x="1.5" y="5" width="8" height="6" rx="3" fill="none" stroke="{BLUE_D}" stroke-width="3"/>'
        f'<rect x="1.5" y="5" width="8" height="6" rx="3" fill="none" stroke="#7fb0ee" stroke-width="1.2"/>'
        f'<rect x="6.5" y="5" width="8" height="6" rx="3" fill="none" stroke="{GREEN_D}" stroke-width="3"/>'
        f'<rect x="6.5" y="5" width="8" height="6" rx="3" fill="none" stroke="#8fd89b" stroke-width="1.2"/>',
    # Half ellipses as curves: ImageMagick's renderer draws a stray line for these arcs.
    "node-5-connection":
        f'<path d="M2.5 3.8 V12.2 C2.5 14.87 13.5 14.87 13.5 12.2 V3.8 Z" fill="{BLUE}" stroke="{BLUE_D}" stroke-width="1"/>'
        f'<ellipse cx="8" cy="3.8" rx="5.5" ry="2" fill="#7fb0ee" stroke="{BLUE_D}" stroke-width="1"/>'
        f'<path d="M2.5 8 C2.5 10.67 13.5 10.67 13.5 8" fill="none" stroke="{BLUE_D}" stroke-width="0.8"/>',
    "node-6-user": person(8, BLUE, BLUE_D),
    "node-7-role":
        f'<g transform="translate(5.2 -0.5) scale(0.78)">{person(8, GREEN, GREEN_D)}</g>' + person(5.5, BLUE, BLUE_D),
}

if __name__ == "__main__":
    for name, body in NODES.items():
        with open(f"{name}.svg", "w") as f:
            f.write(svg(body))
