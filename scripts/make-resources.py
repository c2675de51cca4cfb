#!/usr/bin/python3
"""Draws the program's icons, bitmaps and cursor into resources/images.

    /usr/bin/python3 scripts/make-resources.py [--sheet contact.png]

Needs Pillow (Debian: python3-pil) and the DejaVu fonts. The images it
writes are committed, so building the program needs no Python; run this
again after changing a drawing and commit the results. --sheet also writes
an enlarged overview of everything for review.

One palette throughout, the one the pages use: navy RGB(0,0,128) for text
and strong shapes, a brighter blue for gradients, grey-blue RGB(187,194,214)
for borders, light blue RGB(237,242,252) for panels, white, and a single
honey accent for the program's own mark.
"""
import math
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "resources", "images")
FONTS = "/usr/share/fonts/truetype/dejavu"

NAVY = (0, 0, 128)
BLUE = (52, 104, 212)
SKY = (120, 164, 236)
GREY_BLUE = (187, 194, 214)
LIGHT = (237, 242, 252)
WHITE = (255, 255, 255)
HONEY = (244, 176, 36)
HONEY_DARK = (196, 120, 8)
GREEN = (44, 160, 72)
GREEN_DARK = (16, 112, 40)
OUTLINE = (110, 120, 160)

SS = 8  # supersampling factor for anti-aliased shapes


def font(name, size):
    return ImageFont.truetype(os.path.join(FONTS, name), size)


def lerp(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(len(a)))


def vgradient(size, top, bottom):
    w, h = size
    img = Image.new("RGBA", size)
    for y in range(h):
        c = lerp(top, bottom, y / max(1, h - 1)) + (255,)
        img.paste(c, (0, y, w, y + 1))
    return img


class Canvas:
    """A square icon drawn in a 16-unit design space, supersampled."""

    def __init__(self, size):
        self.size = size
        self.k = size * SS / 16.0
        self.img = Image.new("RGBA", (size * SS, size * SS), (0, 0, 0, 0))

    def pts(self, points):
        return [(x * self.k, y * self.k) for x, y in points]

    def box(self, x0, y0, x1, y1):
        return [x0 * self.k, y0 * self.k, x1 * self.k - 1, y1 * self.k - 1]

    def _shape(self, draw, fill):
        """Paints a shape given by draw(ImageDraw, fill) with a colour or a
        vertical (top, bottom) gradient, blending over what is there."""
        mask = Image.new("L", self.img.size, 0)
        draw(ImageDraw.Draw(mask), 255)
        if isinstance(fill[0], tuple):
            layer = vgradient(self.img.size, fill[0], fill[1])
        else:
            layer = Image.new("RGBA", self.img.size, tuple(fill[:3]) + (255,))
        alpha = fill[3] if not isinstance(fill[0], tuple) and len(fill) == 4 else 255
        if alpha != 255:
            mask = mask.point(lambda v: v * alpha // 255)
        layer.putalpha(mask)
        self.img = Image.alpha_composite(self.img, layer)

    def polygon(self, points, fill):
        self._shape(lambda d, f: d.polygon(self.pts(points), fill=f), fill)

    def ellipse(self, x0, y0, x1, y1, fill):
        self._shape(lambda d, f: d.ellipse(self.box(x0, y0, x1, y1), fill=f), fill)

    def rect(self, x0, y0, x1, y1, fill, radius=0):
        self._shape(lambda d, f: d.rounded_rectangle(self.box(x0, y0, x1, y1), radius * self.k, fill=f), fill)

    def line(self, points, fill, width):
        w = int(round(width * self.k))

        def draw(d, f):
            d.line(self.pts(points), fill=f, width=w, joint="curve")
            r = w / 2.0
            for x, y in self.pts(points):
                d.ellipse([x - r, y - r, x + r, y + r], fill=f)

        self._shape(draw, fill)

    def arc(self, x0, y0, x1, y1, start, end, fill, width):
        w = int(round(width * self.k))
        self._shape(lambda d, f: d.arc(self.box(x0, y0, x1, y1), start, end, fill=f, width=w), fill)

    def text(self, x, y, s, face, size, fill):
        """Centres s on (x, y); size in design units."""
        f = font(face, int(size * self.k))
        self._shape(lambda d, c: d.text((x * self.k, y * self.k), s, font=f, fill=c, anchor="mm"), fill)

    def punch(self, x0, y0, x1, y1):
        """Makes an ellipse fully transparent (a hole)."""
        mask = Image.new("L", self.img.size, 0)
        ImageDraw.Draw(mask).ellipse(self.box(x0, y0, x1, y1), fill=255)
        alpha = self.img.getchannel("A")
        alpha.paste(0, mask=mask)
        self.img.putalpha(alpha)

    def result(self):
        # Average in premultiplied form so edges keep their colour.
        return self.img.convert("RGBa").reduce(SS).convert("RGBA")


def hexagon(cx, cy, r):
    return [(cx + r * math.cos(math.radians(a)), cy + r * math.sin(math.radians(a))) for a in range(0, 360, 60)]


# ---------------------------------------------------------------- icons


def icon_program(size):
    """Three honeycomb cells, one of them mended in honey."""
    c = Canvas(size)
    r = 4.0
    cells = [((4.5, 8.0), (HONEY, HONEY_DARK)), ((10.5, 4.54), (SKY, BLUE)), ((10.5, 11.46), (BLUE, NAVY))]
    for (cx, cy), grad in cells:
        c.polygon(hexagon(cx, cy, r - 0.15), (NAVY, NAVY) if grad[0] != HONEY else (HONEY_DARK, HONEY_DARK))
        c.polygon(hexagon(cx, cy, r - 0.75), grad)
    if size >= 32:
        # A white tick in the mended cell once there is room for it.
        c.line([(3.0, 8.1), (4.2, 9.3), (6.2, 6.7)], WHITE, 0.75)
    return c.result()


def icon_help(size):
    c = Canvas(size)
    c.ellipse(0.5, 0.5, 15.5, 15.5, (NAVY, NAVY))
    c.ellipse(1.3, 1.3, 14.7, 14.7, (SKY, BLUE))
    c.text(8.0, 8.4, "?", "DejaVuSans-Bold.ttf", 11.5, WHITE)
    return c.result()


def icon_registry(size):
    """A shield with a tick: the registry's integrity."""
    c = Canvas(size)
    shield = [(8, 0.6), (14.6, 2.6), (14.3, 8.4), (11.8, 12.6), (8, 15.4), (4.2, 12.6), (1.7, 8.4), (1.4, 2.6)]
    inner = [(8, 1.8), (13.4, 3.5), (13.1, 8.2), (10.9, 11.8), (8, 14.0), (5.1, 11.8), (2.9, 8.2), (2.6, 3.5)]
    c.polygon(shield, (NAVY, NAVY))
    c.polygon(inner, (SKY, BLUE))
    c.line([(4.9, 7.9), (7.2, 10.2), (11.2, 5.2)], WHITE, 1.7)
    return c.result()


def gear(teeth, root, tip, root_spread, tip_spread):
    """Outline of a gear centred on (8, 8): per tooth two root and two tip
    points, the spreads in degrees from the tooth's middle."""
    pts = []
    for k in range(teeth):
        a = k * 360.0 / teeth
        for da, rr in ((-root_spread, root), (-tip_spread, tip), (tip_spread, tip), (root_spread, root)):
            t = math.radians(a + da)
            pts.append((8 + rr * math.cos(t), 8 + rr * math.sin(t)))
    return pts


def icon_controls(size):
    """A gear: the components other programs register."""
    c = Canvas(size)
    c.polygon(gear(8, 5.3, 7.5, 20, 10), (NAVY, NAVY))
    c.polygon(gear(8, 4.5, 6.6, 19, 9), (SKY, BLUE))
    c.ellipse(5.0, 5.0, 11.0, 11.0, (NAVY, NAVY))
    c.punch(5.9, 5.9, 10.1, 10.1)
    return c.result()


def folder(c, light, dark):
    c.rect(0.5, 2.0, 7.0, 5.0, (dark, dark), radius=1.0)
    c.rect(0.5, 3.5, 15.5, 14.5, (dark, dark), radius=1.0)
    c.rect(1.3, 4.3, 14.7, 13.7, (light, lerp(light, dark, 0.45)), radius=0.6)


def icon_locations(size):
    """A folder with an arrow: where programs say they live."""
    c = Canvas(size)
    folder(c, (255, 214, 120), HONEY_DARK)
    c.line([(4.5, 9.2), (10.8, 9.2)], NAVY, 1.6)
    c.polygon([(9.2, 6.0), (13.2, 9.2), (9.2, 12.4)], (NAVY, NAVY))
    return c.result()


def icon_fonts(size):
    """A page with a serif letter."""
    c = Canvas(size)
    page = [(2.0, 0.5), (10.5, 0.5), (14.0, 4.0), (14.0, 15.5), (2.0, 15.5)]
    c.polygon(page, (OUTLINE, OUTLINE))
    c.polygon([(2.8, 1.3), (10.1, 1.3), (13.2, 4.4), (13.2, 14.7), (2.8, 14.7)], (WHITE, LIGHT))
    c.polygon([(10.1, 1.3), (10.1, 4.4), (13.2, 4.4)], (GREY_BLUE, GREY_BLUE))
    c.text(7.8, 9.6, "A", "DejaVuSerif-Bold.ttf", 10.0, NAVY)
    return c.result()


def small_window(c, x0, y0, x1, y1, bar):
    c.rect(x0, y0, x1, y1, (NAVY, NAVY), radius=0.8)
    c.rect(x0 + 0.8, y0 + 2.6, x1 - 0.8, y1 - 0.8, (WHITE, LIGHT))
    c.rect(x0 + 0.8, y0 + 0.8, x1 - 0.8, y0 + 2.6, (bar, bar))


def icon_shared(size):
    """Two windows overlapping: files that several programs share."""
    c = Canvas(size)
    small_window(c, 0.5, 0.5, 10.5, 10.0, SKY)
    small_window(c, 5.5, 6.0, 15.5, 15.5, BLUE)
    return c.result()


def icon_startup(size):
    """The power symbol: what starts with Windows."""
    c = Canvas(size)
    c.ellipse(0.5, 0.5, 15.5, 15.5, (NAVY, NAVY))
    c.ellipse(1.3, 1.3, 14.7, 14.7, (SKY, BLUE))
    c.arc(3.6, 3.8, 12.4, 12.6, -55, 235, WHITE, 1.6)
    c.line([(8.0, 2.6), (8.0, 7.6)], WHITE, 1.6)
    return c.result()


def icon_programs(size):
    """A box: installed programs."""
    c = Canvas(size)
    top = [(8, 0.8), (15.2, 4.2), (8, 7.6), (0.8, 4.2)]
    left = [(0.8, 4.2), (8, 7.6), (8, 15.4), (0.8, 12.0)]
    right = [(8, 7.6), (15.2, 4.2), (15.2, 12.0), (8, 15.4)]
    c.polygon(left, (BLUE, (30, 70, 180)))
    c.polygon(right, ((20, 40, 160), NAVY))
    c.polygon(top, ((190, 210, 250), SKY))
    # A honey band around the box.
    c.polygon([(3.2, 3.1), (10.4, 6.5), (10.4, 8.4), (3.2, 5.0)], (HONEY, HONEY))
    c.polygon([(10.4, 6.5), (12.8, 5.4), (12.8, 13.2), (10.4, 14.3)], (HONEY, HONEY_DARK))
    return c.result()


def icon_filetypes(size):
    """A document with a round badge and an arrow: the types programs open."""
    c = Canvas(size)
    c.polygon([(1.0, 0.5), (8.5, 0.5), (12.0, 4.0), (12.0, 13.0), (1.0, 13.0)], (OUTLINE, OUTLINE))
    c.polygon([(1.8, 1.3), (8.1, 1.3), (11.2, 4.4), (11.2, 12.2), (1.8, 12.2)], (WHITE, LIGHT))
    c.polygon([(8.1, 1.3), (8.1, 4.4), (11.2, 4.4)], (GREY_BLUE, GREY_BLUE))
    for y in (4.2, 6.4):
        c.line([(3.4, y), (6.8 if y < 5 else 8.4, y)], SKY, 1.0)
    c.ellipse(6.6, 6.6, 15.6, 15.6, (NAVY, NAVY))
    c.ellipse(7.4, 7.4, 14.8, 14.8, (SKY, BLUE))
    c.line([(9.3, 13.0), (12.2, 10.1)], WHITE, 1.4)
    c.polygon([(10.0, 9.2), (13.3, 9.0), (13.1, 12.3)], (WHITE, WHITE))
    return c.result()


def icon_waiting(size):
    """A clock face: the step has not run yet."""
    c = Canvas(size)
    c.ellipse(0.5, 0.5, 15.5, 15.5, (OUTLINE, OUTLINE))
    c.ellipse(1.6, 1.6, 14.4, 14.4, (WHITE, LIGHT))
    c.line([(8, 8), (8, 3.8)], (90, 100, 140), 1.3)
    c.line([(8, 8), (11.2, 9.8)], (90, 100, 140), 1.3)
    return c.result()


def icon_done(size):
    c = Canvas(size)
    c.ellipse(0.5, 0.5, 15.5, 15.5, (GREEN_DARK, GREEN_DARK))
    c.ellipse(1.3, 1.3, 14.7, 14.7, ((96, 200, 112), GREEN))
    c.line([(4.4, 8.2), (6.9, 10.7), (11.6, 5.4)], WHITE, 1.8)
    return c.result()


def icon_running(size):
    """A magnifying glass: the step is being scanned."""
    c = Canvas(size)
    c.line([(10.0, 10.0), (14.4, 14.4)], NAVY, 2.6)
    c.ellipse(0.8, 0.8, 12.0, 12.0, (NAVY, NAVY))
    c.ellipse(2.3, 2.3, 10.5, 10.5, (WHITE, (200, 218, 248)))
    c.arc(3.6, 3.6, 9.2, 9.2, 190, 260, (255, 255, 255), 1.0)
    return c.result()


def icon_tick(size, ticked):
    """The tick box of a record card, drawn pixel-exact at 16 x 16."""
    img = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    img.paste(vgradient((12, 12), WHITE, LIGHT), (2, 2))
    d = ImageDraw.Draw(img)
    d.rectangle([1, 1, 14, 14], outline=OUTLINE + (255,))
    if ticked:
        c = Canvas(size)
        c.line([(4.3, 8.0), (6.8, 10.6), (11.8, 4.8)], NAVY, 2.0)
        img = Image.alpha_composite(img, c.result())
    return img


# ---------------------------------------------------------------- cursor

HAND = """
.....XX.........
....X..X........
....X..X........
....X..X........
....X..X........
....X..XXX......
....X..X..XXX...
....X..X..X..XX.
.XX.X..X..X..X.X
X..XX........X.X
X...X..........X
.X.............X
..X............X
..X...........X.
...X..........X.
...X.........X..
....X........X..
....X........X..
.....X......X...
.....XXXXXXXX...
"""


def cursor_hand():
    """A pointing hand, black outline and white inside, 32 x 32; its hot
    spot is the tip of the finger."""
    rows = [r for r in HAND.strip().splitlines()]
    ox, oy = 6, 1
    img = Image.new("RGBA", (32, 32), (0, 0, 0, 0))
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch == "X":
                img.putpixel((ox + x, oy + y), (0, 0, 0, 255))
    # Flood the outside from a corner through everything but the outline;
    # what the flood does not reach is the inside of the hand.
    walls = {(x, y) for y in range(32) for x in range(32) if img.getpixel((x, y))[3]}
    outside = set()
    stack = [(0, 0)]
    while stack:
        x, y = stack.pop()
        if (x, y) in outside or (x, y) in walls or not (0 <= x < 32 and 0 <= y < 32):
            continue
        outside.add((x, y))
        stack += [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]
    for y in range(32):
        for x in range(32):
            if (x, y) not in outside and (x, y) not in walls:
                img.putpixel((x, y), WHITE + (255,))
    return img, (ox + 5, oy)


# ---------------------------------------------------------------- files


def dib(img):
    """One icon or cursor image: 32-bit BGRA rows bottom-up, then the AND
    mask (1 = transparent) for systems that ignore the alpha channel."""
    w, h = img.size
    px = img.load()
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b, a = px[x, y]
            colour += bytes((b, g, r, a))
    stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            if px[x, y][3] < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return header + bytes(colour) + bytes(mask)


def write_icon_file(path, images, hotspot=None):
    kind = 2 if hotspot else 1
    blobs = [dib(im) for im in images]
    out = struct.pack("<HHH", 0, kind, len(images))
    offset = 6 + 16 * len(images)
    for im, blob in zip(images, blobs):
        w, h = im.size
        a, b = hotspot if hotspot else (1, 32)
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, a, b, len(blob), offset)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(out + b"".join(blobs))


# ---------------------------------------------------------------- bitmaps

HEADER_SIZE = (690, 59)
FOOTER_SIZE = (690, 41)
BUTTON_SIZE = (112, 37)
BUTTON_TOP = 4  # the buttons sit 4 pixels below the footer's top edge
HELP_BOX = (618, 16, 678, 36)


def footer_colour(y):
    if y == 0:
        return GREY_BLUE
    if y == 1:
        return WHITE
    return lerp(LIGHT, (218, 225, 242), (y - 2) / (FOOTER_SIZE[1] - 3))


def honeycomb(size, r, alpha_at, colour=WHITE):
    """Outlined hexagon cells over the whole area, each cell's opacity
    given by alpha_at(cx, cy); drawn supersampled for smooth lines."""
    layer = Image.new("RGBA", (size[0] * SS, size[1] * SS), (0, 0, 0, 0))
    d = ImageDraw.Draw(layer)
    dx, dy = 1.5 * r, math.sqrt(3) * r
    col = 0
    x = -r
    while x < size[0] + r:
        y = -dy / 2 + (dy / 2 if col % 2 else 0)
        while y < size[1] + dy:
            a = alpha_at(x, y)
            if a > 0:
                cell = [(px * SS, py * SS) for px, py in hexagon(x, y, r - 1.5)]
                d.line(cell + cell[:1], fill=colour + (a,), width=SS)
            y += dy
        x += dx
        col += 1
    return layer.convert("RGBa").reduce(SS).convert("RGBA")


def bitmap_header():
    w, h = HEADER_SIZE
    img = Image.new("RGBA", HEADER_SIZE)
    left, right = NAVY, (28, 66, 170)
    for x in range(w):
        top = lerp(left, right, (x / (w - 1)) ** 1.5)
        for y in range(h):
            img.putpixel((x, y), lerp(top, lerp(top, (0, 0, 90), 0.35), y / (h - 1)) + (255,))

    def fade(cx, cy):
        t = (cx - 330) / 360.0
        return int(max(0.0, min(1.0, t)) * 46)

    img = Image.alpha_composite(img, honeycomb(HEADER_SIZE, 17, fade))
    d = ImageDraw.Draw(img)
    # A honey rule along the bottom edge ties the header to the program icon.
    for x in range(w):
        t = x / (w - 1)
        d.point((x, h - 2), fill=lerp(HONEY_DARK, HONEY, t) + (255,))
        d.point((x, h - 1), fill=lerp((150, 90, 0), HONEY_DARK, t) + (255,))

    # The help affordance, exactly over the area that reacts to the mouse.
    x0, y0, x1, y1 = HELP_BOX
    pill = Image.new("RGBA", (w * SS, h * SS), (0, 0, 0, 0))
    pd = ImageDraw.Draw(pill)
    pd.rounded_rectangle([x0 * SS, y0 * SS, x1 * SS - 1, y1 * SS - 1], 10 * SS, fill=(255, 255, 255, 38),
                         outline=(255, 255, 255, 150), width=SS)
    pd.ellipse([(x0 + 4) * SS, (y0 + 3) * SS, (x0 + 18) * SS - 1, (y0 + 17) * SS - 1], fill=WHITE + (255,))
    pd.text(((x0 + 11) * SS, (y0 + 10.5) * SS), "?", font=font("DejaVuSans-Bold.ttf", 11 * SS), fill=NAVY + (255,),
            anchor="mm")
    pill = pill.convert("RGBa").reduce(SS).convert("RGBA")
    img = Image.alpha_composite(img, pill)
    d = ImageDraw.Draw(img)
    d.text((x0 + 21, (y0 + y1) / 2.0), "Help", font=font("DejaVuSans-Bold.ttf", 11), fill=WHITE + (255,),
           anchor="lm")
    return img.convert("RGB")


def bitmap_footer():
    w, h = FOOTER_SIZE
    img = Image.new("RGBA", FOOTER_SIZE)
    for y in range(h):
        img.paste(footer_colour(y) + (255,), (0, y, w, y + 1))
    # The program's mark, quiet, at the left end of the band.
    mark = icon_program(16)
    mark.putalpha(mark.getchannel("A").point(lambda v: v * 55 // 100))
    img.alpha_composite(mark, (16, 13))
    d = ImageDraw.Draw(img)
    d.text((38, 21), "Ovra Hivemend", font=font("DejaVuSans.ttf", 11), fill=(128, 138, 172, 255), anchor="lm")
    return img.convert("RGB")


def bitmap_button(face_top, face_bottom, border, highlight):
    """A rounded face on the footer's own colours. The face keeps two rows
    clear above and below, so that it does not run into the window's bottom
    edge, and stays centred on the caption."""
    w, h = BUTTON_SIZE
    img = Image.new("RGBA", BUTTON_SIZE)
    for y in range(h):
        img.paste(footer_colour(BUTTON_TOP + y) + (255,), (0, y, w, y + 1))
    top, bottom = 2 * SS, (h - 2) * SS - 1
    face = Image.new("RGBA", (w * SS, h * SS), (0, 0, 0, 0))
    grad = Image.new("RGBA", face.size, (0, 0, 0, 0))
    grad.paste(vgradient((w * SS, bottom - top + 1), face_top, face_bottom), (0, top))
    mask = Image.new("L", face.size, 0)
    ImageDraw.Draw(mask).rounded_rectangle([0, top, w * SS - 1, bottom], 6 * SS, fill=255)
    face.paste(grad, mask=mask)
    d = ImageDraw.Draw(face)
    d.rounded_rectangle([0, top, w * SS - 1, bottom], 6 * SS, outline=border + (255,), width=SS)
    if highlight:
        d.rounded_rectangle([SS, top + SS, w * SS - 1 - SS, bottom - SS], 5 * SS, outline=highlight, width=SS)
    face = face.convert("RGBa").reduce(SS).convert("RGBA")
    return Image.alpha_composite(img, face).convert("RGB")


# ---------------------------------------------------------------- main

ICONS = {
    "app.ico": (107, icon_program, (16, 32, 48)),
    "section-help.ico": (108, icon_help, (16,)),
    "state-waiting.ico": (111, icon_waiting, (16,)),
    "state-done.ico": (112, icon_done, (16,)),
    "state-running.ico": (113, icon_running, (16,)),
    "tick-off.ico": (114, lambda s: icon_tick(s, False), (16,)),
    "tick-on.ico": (115, lambda s: icon_tick(s, True), (16,)),
    "section-registry.ico": (116, icon_registry, (16,)),
    "section-controls.ico": (117, icon_controls, (16,)),
    "section-locations.ico": (118, icon_locations, (16,)),
    "section-fonts.ico": (119, icon_fonts, (16,)),
    "section-shared.ico": (120, icon_shared, (16,)),
    "section-startup.ico": (121, icon_startup, (16,)),
    "section-programs.ico": (122, icon_programs, (16,)),
    "section-filetypes.ico": (123, icon_filetypes, (16,)),
}


def bitmaps():
    return {
        "footer.bmp": (101, bitmap_footer()),
        "button-pressed.bmp": (102, bitmap_button((40, 84, 190), NAVY, (0, 0, 96), (255, 255, 255, 60))),
        "button-normal.bmp": (103, bitmap_button(WHITE, (220, 227, 244), OUTLINE, (255, 255, 255, 255))),
        "header.bmp": (104, bitmap_header()),
        "button-disabled.bmp": (108, bitmap_button((168, 176, 200), (152, 160, 186), (140, 148, 176), None)),
    }


def contact_sheet(path, icons, bmps, cursor):
    """Everything on one page: icons enlarged and at their own size on the
    page colours, the bands at their own size and enlarged, the button faces
    with a caption in the colour the program draws it."""
    sheet = Image.new("RGB", (1420, 900), WHITE)
    d = ImageDraw.Draw(sheet)
    label = font("DejaVuSans.ttf", 11)
    x = 20
    for name, images in icons.items():
        big = images[-1].resize((64, 64), Image.NEAREST) if images[-1].size[0] == 16 else images[-1]
        sheet.paste(big, (x, 20), big)
        for row, bg in enumerate((WHITE, LIGHT, GREY_BLUE)):
            sheet.paste(bg, (x, 100 + row * 24, x + 64, 124 + row * 24))
            sheet.paste(images[0], (x + 24, 104 + row * 24), images[0])
        d.text((x + 32, 180), str(ICONS[name][0]), font=label, fill=NAVY, anchor="mm")
        x += 82 if big.size[0] <= 64 else big.size[0] + 18
    y = 200
    sheet.paste(bmps["header.bmp"][1], (20, y))
    sheet.paste(bmps["footer.bmp"][1], (20, y + 59 + 396))
    sheet.paste(LIGHT, (20 + 426, y + 59, 20 + 690, y + 59 + 396))
    for name, bx in (("button-disabled.bmp", 293), ("button-normal.bmp", 413), ("button-normal.bmp", 571)):
        sheet.paste(bmps[name][1], (20 + bx, y + 59 + 396 + 4))
    crop = bmps["header.bmp"][1].crop((490, 0, 690, 59)).resize((600, 177), Image.NEAREST)
    sheet.paste(crop, (740, y))
    bx = 740
    for name, colour in (("button-normal.bmp", (0, 0, 0)), ("button-pressed.bmp", WHITE),
                         ("button-disabled.bmp", (204, 204, 204))):
        im = bmps[name][1].copy()
        ImageDraw.Draw(im).text((56, 18), "Next >", font=font("DejaVuSans-Bold.ttf", 13), fill=colour, anchor="mm")
        sheet.paste(im.resize((224, 74), Image.NEAREST), (bx, y + 200))
        bx += 232
    big_cursor = cursor.resize((128, 128), Image.NEAREST)
    grey = Image.new("RGB", (128, 128), GREY_BLUE)
    grey.paste(big_cursor, (0, 0), big_cursor)
    sheet.paste(grey, (740, y + 300))
    sheet.save(path)


def main():
    os.makedirs(OUT, exist_ok=True)
    drawn = {}
    for name, (_, draw, sizes) in ICONS.items():
        images = [draw(s) for s in sizes]
        drawn[name] = images
        write_icon_file(os.path.join(OUT, name), images)
    bmps = bitmaps()
    for name, (_, im) in bmps.items():
        im.save(os.path.join(OUT, name))
    hand, hotspot = cursor_hand()
    write_icon_file(os.path.join(OUT, "hand.cur"), [hand], hotspot)
    if "--sheet" in sys.argv:
        contact_sheet(sys.argv[sys.argv.index("--sheet") + 1], drawn, bmps, hand)


if __name__ == "__main__":
    main()
