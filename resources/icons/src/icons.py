#!/usr/bin/env python3
# Writes the tool-bar icon sources (24x24 SVG). Run make.sh afterwards to
# render the PNGs; the build only uses the committed PNGs.
import math

BLUE, BLUE_D = "#3b7dd8", "#1e4f91"
GREEN, GREEN_D = "#37a34a", "#1d6b2b"
RED, RED_D = "#d9403a", "#8c1f1a"
YELLOW, YELLOW_D = "#f0c04a", "#a87a12"
PAPER, INK = "#ffffff", "#4d5866"
GREY = "#9aa4b0"

def svg(body):
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="24" height="24" '
            'viewBox="0 0 24 24">\n' + body + '\n</svg>\n')

def cylinder(x=3, y=2, w=13, h=17):
    rx, ry = w / 2, 2.6
    cx = x + rx
    return (f'<path d="M{x} {y+ry} V{y+h-ry} A{rx} {ry} 0 0 0 {x+w} {y+h-ry} V{y+ry}" '
            f'fill="{BLUE}" stroke="{BLUE_D}" stroke-width="1"/>'
            f'<ellipse cx="{cx}" cy="{y+ry}" rx="{rx}" ry="{ry}" fill="#7fb0ee" stroke="{BLUE_D}" stroke-width="1"/>'
            f'<path d="M{x} {y+h/2} A{rx} {ry} 0 0 0 {x+w} {y+h/2}" fill="none" stroke="{BLUE_D}" stroke-width="0.8"/>')

def page(x, y, w, h, lines=True):
    s = f'<rect x="{x}" y="{y}" width="{w}" height="{h}" fill="{PAPER}" stroke="{INK}" stroke-width="1"/>'
    if lines:
        for i in range(int((h - 4) / 3)):
            ly = y + 3.5 + i * 3
            s += f'<line x1="{x+2.5}" y1="{ly}" x2="{x+w-2.5}" y2="{ly}" stroke="{GREY}" stroke-width="1"/>'
    return s

def gear(cx, cy, r_out, r_in, teeth):
    pts = []
    for i in range(teeth * 4):
        a = 2 * math.pi * i / (teeth * 4)
        r = r_out if (i % 4) in (1, 2) else r_in
        pts.append(f"{cx + r * math.cos(a):.2f},{cy + r * math.sin(a):.2f}")
    return " ".join(pts)

def arrow_left(color, dark):
    return (f'<polygon points="3,12 11,4 11,8.5 21,8.5 21,15.5 11,15.5 11,20" '
            f'fill="{color}" stroke="{dark}" stroke-width="1" stroke-linejoin="round"/>')

ICONS = {
    "00-connect": cylinder() +
        f'<circle cx="17.5" cy="17.5" r="5.5" fill="{GREEN}" stroke="{GREEN_D}" stroke-width="1"/>'
        f'<path d="M17.5 14.5 V20.5 M14.5 17.5 H20.5" stroke="#ffffff" stroke-width="2"/>',
    "01-disconnect": cylinder() +
        f'<circle cx="17.5" cy="17.5" r="5.5" fill="{RED}" stroke="{RED_D}" stroke-width="1"/>'
        f'<path d="M15.3 15.3 L19.7 19.7 M19.7 15.3 L15.3 19.7" stroke="#ffffff" stroke-width="2"/>',
    "02-open":
        f'<path d="M2 5 H9 L11 7 H20 V19 H2 Z" fill="{YELLOW_D}" stroke="{YELLOW_D}" stroke-width="1"/>'
        f'<path d="M2 19 L5 10 H23 L20 19 Z" fill="{YELLOW}" stroke="{YELLOW_D}" stroke-width="1" stroke-linejoin="round"/>',
    "03-save":
        f'<rect x="3" y="3" width="18" height="18" rx="1.5" fill="{BLUE}" stroke="{BLUE_D}" stroke-width="1"/>'
        f'<rect x="6.5" y="3.5" width="11" height="7" fill="{PAPER}" stroke="{BLUE_D}" stroke-width="0.8"/>'
        f'<rect x="14" y="4.5" width="2" height="5" fill="{BLUE_D}"/>'
        f'<rect x="6" y="14" width="12" height="7" fill="#dfe7f2" stroke="{BLUE_D}" stroke-width="0.8"/>',
    "04-extedit": page(3, 2, 14, 19) +
        f'<polygon points="10,20 11,16 20,7 22,9 13,18" fill="{YELLOW}" stroke="{YELLOW_D}" stroke-width="1" stroke-linejoin="round"/>'
        f'<polygon points="10,20 11,16 13,18" fill="{INK}"/>',
    "05-print":
        f'<rect x="6" y="2.5" width="12" height="8" fill="{PAPER}" stroke="{INK}" stroke-width="1"/>'
        f'<rect x="2.5" y="9" width="19" height="9" rx="1.5" fill="#8a96a6" stroke="{INK}" stroke-width="1"/>'
        f'<circle cx="18.5" cy="11.5" r="1" fill="{GREEN}"/>'
        f'<rect x="6" y="15" width="12" height="7" fill="{PAPER}" stroke="{INK}" stroke-width="1"/>'
        f'<line x1="8" y1="18" x2="16" y2="18" stroke="{GREY}" stroke-width="1"/>',
    "06-cut":
        f'<line x1="8" y1="2" x2="15" y2="15" stroke="{INK}" stroke-width="2"/>'
        f'<line x1="16" y1="2" x2="9" y2="15" stroke="{INK}" stroke-width="2"/>'
        f'<circle cx="7" cy="18" r="3.3" fill="none" stroke="{RED}" stroke-width="2"/>'
        f'<circle cx="17" cy="18" r="3.3" fill="none" stroke="{RED}" stroke-width="2"/>',
    "07-copy": page(2.5, 2.5, 12, 15) + page(9.5, 6.5, 12, 15),
    "08-paste":
        f'<rect x="3" y="4" width="14" height="18" rx="1.5" fill="{YELLOW_D}" stroke="#6e5008" stroke-width="1"/>'
        f'<rect x="6.5" y="2.5" width="7" height="4" rx="1" fill="#c9ced6" stroke="{INK}" stroke-width="1"/>' +
        page(10.5, 9.5, 11, 13),
    "09-query":
        f'<rect x="2.5" y="3.5" width="19" height="17" fill="{PAPER}" stroke="{BLUE_D}" stroke-width="1"/>'
        f'<rect x="2.5" y="3.5" width="19" height="4" fill="{BLUE}" stroke="{BLUE_D}" stroke-width="1"/>'
        f'<line x1="5" y1="11" x2="16" y2="11" stroke="{BLUE_D}" stroke-width="1.5"/>'
        f'<line x1="5" y1="14" x2="19" y2="14" stroke="{GREY}" stroke-width="1.5"/>'
        f'<line x1="5" y1="17" x2="12" y2="17" stroke="{GREY}" stroke-width="1.5"/>',
    "10-execute":
        f'<polygon points="6,3 21,12 6,21" fill="{GREEN}" stroke="{GREEN_D}" stroke-width="1.2" stroke-linejoin="round"/>',
    "11-compile":
        f'<polygon points="{gear(12, 12, 10, 7.5, 8)}" fill="#8a96a6" stroke="{INK}" stroke-width="1" stroke-linejoin="round"/>'
        f'<circle cx="12" cy="12" r="3" fill="{PAPER}" stroke="{INK}" stroke-width="1"/>',
    "12-previous":
        f'<rect x="3" y="3" width="7" height="5" fill="{YELLOW}" stroke="{YELLOW_D}" stroke-width="1"/>'
        f'<path d="M6.5 8 V18 H11" fill="none" stroke="{INK}" stroke-width="1"/>'
        f'<rect x="11" y="15.5" width="6" height="5" fill="{PAPER}" stroke="{INK}" stroke-width="1"/>'
        f'<polygon points="17,3 22,9 19,9 19,13 15,13 15,9 12,9" fill="{BLUE}" stroke="{BLUE_D}" stroke-width="1" stroke-linejoin="round"/>',
    "13-back": arrow_left(BLUE, BLUE_D),
    "14-next":
        f'<rect x="2.5" y="2.5" width="13" height="11" fill="#dfe7f2" stroke="{BLUE_D}" stroke-width="1"/>'
        f'<rect x="2.5" y="2.5" width="13" height="3" fill="#7fb0ee" stroke="{BLUE_D}" stroke-width="1"/>'
        f'<rect x="8.5" y="9.5" width="13" height="11" fill="{PAPER}" stroke="{BLUE_D}" stroke-width="1"/>'
        f'<rect x="8.5" y="9.5" width="13" height="3" fill="{BLUE}" stroke="{BLUE_D}" stroke-width="1"/>'
        f'<polygon points="11,14.5 15,14.5 15,13 18.5,16 15,19 15,17.5 11,17.5" fill="{GREEN}"/>',
    "15-options":
        f'<line x1="3" y1="6" x2="21" y2="6" stroke="{INK}" stroke-width="1.5"/>'
        f'<line x1="3" y1="12" x2="21" y2="12" stroke="{INK}" stroke-width="1.5"/>'
        f'<line x1="3" y1="18" x2="21" y2="18" stroke="{INK}" stroke-width="1.5"/>'
        f'<rect x="13" y="3" width="4" height="6" rx="1" fill="{BLUE}" stroke="{BLUE_D}" stroke-width="1"/>'
        f'<rect x="6" y="9" width="4" height="6" rx="1" fill="{GREEN}" stroke="{GREEN_D}" stroke-width="1"/>'
        f'<rect x="15" y="15" width="4" height="6" rx="1" fill="{YELLOW}" stroke="{YELLOW_D}" stroke-width="1"/>',
    "16-stop":
        f'<polygon points="8,3 16,3 21,8 21,16 16,21 8,21 3,16 3,8" fill="{RED}" stroke="{RED_D}" stroke-width="1.2"'
        f' stroke-linejoin="round"/>'
        f'<rect x="8" y="8" width="8" height="8" fill="{PAPER}"/>',
}

# The program's own picture (window icon, About box): the catalog cylinder
# with a Q standing on it.
APP_ICON = (cylinder(2.5, 1.5, 15, 20) +
    f'<circle cx="16" cy="15" r="5.2" fill="#ffffff" stroke="{GREEN_D}" stroke-width="2.2"/>'
    f'<line x1="18.2" y1="17.4" x2="22" y2="21.5" stroke="{GREEN_D}" stroke-width="2.4" stroke-linecap="round"/>')
if __name__ == "__main__":
    with open("quodlin.svg", "w") as f:
        f.write(svg(APP_ICON))
    for name, body in ICONS.items():
        with open(f"{name}.svg", "w") as f:
            f.write(svg(body))
