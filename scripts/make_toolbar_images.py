#!/usr/bin/env python3
# Draws the tool bars' button pictures (16 x 15 each) and writes them as
# picture strips into resources/Icons/toolbar/: one strip per bar plus the
# junction and icon picker strips. Run it again after changing a picture. Plain Python, no imaging package needed.
import os
import struct
import zlib

W, H = 16, 15
BLACK, GREY, DARK = (0, 0, 0, 255), (128, 128, 128, 255), (64, 64, 64, 255)
WHITE, BLUE, RED = (255, 255, 255, 255), (0, 0, 192, 255), (192, 0, 0, 255)
GREEN, YELLOW, TEAL = (0, 128, 0, 255), (255, 224, 64, 255), (0, 128, 128, 255)
PAPER = (255, 255, 240, 255)


class Canvas:
    def __init__(self):
        self.px = [[(0, 0, 0, 0)] * W for _ in range(H)]

    def dot(self, x, y, c):
        if 0 <= x < W and 0 <= y < H:
            self.px[y][x] = c

    def line(self, x0, y0, x1, y1, c=BLACK):
        dx, dy = abs(x1 - x0), -abs(y1 - y0)
        sx, sy = (1 if x0 < x1 else -1), (1 if y0 < y1 else -1)
        err = dx + dy
        while True:
            self.dot(x0, y0, c)
            if x0 == x1 and y0 == y1:
                return
            e2 = 2 * err
            if e2 >= dy:
                err += dy
                x0 += sx
            if e2 <= dx:
                err += dx
                y0 += sy

    def rect(self, x0, y0, x1, y1, c=BLACK, fill=None):
        if fill:
            for y in range(y0 + 1, y1):
                for x in range(x0 + 1, x1):
                    self.dot(x, y, fill)
        self.line(x0, y0, x1, y0, c)
        self.line(x0, y1, x1, y1, c)
        self.line(x0, y0, x0, y1, c)
        self.line(x1, y0, x1, y1, c)

    def ellipse(self, x0, y0, x1, y1, c=BLACK, fill=None):
        cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
        rx, ry = (x1 - x0) / 2 + 0.01, (y1 - y0) / 2 + 0.01
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                d = ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2
                if d <= 1.0:
                    inner = ((x - cx) / max(rx - 1, 0.5)) ** 2 + ((y - cy) / max(ry - 1, 0.5)) ** 2
                    self.dot(x, y, c if inner > 1.0 else (fill or self.px[y][x]))

    def text(self, x, y, s, c=BLACK):
        for ch in s:
            rows = FONT.get(ch, FONT["?"])
            for r, bits in enumerate(rows):
                for k, b in enumerate(bits):
                    if b == "#":
                        self.dot(x + k, y + r, c)
            x += len(rows[0]) + 1


# A 3 x 5 font for the few letters the pictures use.
FONT = {
    "A": ["###", "#.#", "###", "#.#", "#.#"], "B": ["##.", "#.#", "##.", "#.#", "##."],
    "C": [".##", "#..", "#..", "#..", ".##"], "D": ["##.", "#.#", "#.#", "#.#", "##."],
    "E": ["###", "#..", "##.", "#..", "###"], "G": [".##", "#..", "#.#", "#.#", ".##"],
    "I": ["###", ".#.", ".#.", ".#.", "###"], "M": ["#.#", "###", "###", "#.#", "#.#"],
    "N": ["#.#", "###", "###", "###", "#.#"], "P": ["##.", "#.#", "##.", "#..", "#.."],
    "R": ["##.", "#.#", "##.", "#.#", "#.#"], "S": [".##", "#..", ".#.", "..#", "##."],
    "T": ["###", ".#.", ".#.", ".#.", ".#."], "?": ["##.", "..#", ".#.", "...", ".#."],
    "1": [".#.", "##.", ".#.", ".#.", "###"], "2": ["##.", "..#", ".#.", "#..", "###"],
    "3": ["##.", "..#", ".#.", "..#", "##."], "4": ["#.#", "#.#", "###", "..#", "..#"],
    "5": ["###", "#..", "##.", "..#", "##."], "6": [".##", "#..", "###", "#.#", "###"],
    "7": ["###", "..#", ".#.", ".#.", ".#."], "8": ["###", "#.#", "###", "#.#", "###"],
    "9": ["###", "#.#", "###", "..#", "##."], "0": ["###", "#.#", "#.#", "#.#", "###"],
    "%": ["#.#", "..#", ".#.", "#..", "#.#"], "+": ["...", ".#.", "###", ".#.", "..."],
    "-": ["...", "...", "###", "...", "..."],
}


def page(c, fold=True):
    c.rect(3, 1, 12, 13, BLACK, PAPER)
    if fold:
        c.line(10, 1, 12, 3, BLACK)


def disk(c):
    c.rect(2, 1, 13, 13, BLACK, BLUE)
    c.rect(4, 1, 11, 6, BLACK, WHITE)
    c.rect(5, 9, 10, 13, BLACK, GREY)


def arrow(c, left):
    if left:
        c.line(3, 7, 12, 7, BLUE)
        c.line(3, 7, 6, 4, BLUE)
        c.line(3, 7, 6, 10, BLUE)
        c.line(12, 7, 12, 11, BLUE)
    else:
        c.line(3, 7, 12, 7, BLUE)
        c.line(12, 7, 9, 4, BLUE)
        c.line(12, 7, 9, 10, BLUE)
        c.line(3, 7, 3, 11, BLUE)


def boxes(c, arrowDown):
    c.rect(1, 1, 6, 5, BLACK, YELLOW)
    c.rect(9, 9, 14, 13, BLACK, YELLOW)
    c.line(6, 3, 11, 3)
    c.line(11, 3, 11, 9)
    if arrowDown:
        c.line(10, 7, 12, 7)


def lens(c, sign):
    c.ellipse(1, 1, 10, 10, BLACK, WHITE)
    c.line(9, 9, 14, 14, DARK)
    c.line(10, 9, 14, 13, DARK)
    c.text(4, 3, sign)


def main_strip():
    pics = []

    def add(f):
        c = Canvas()
        f(c)
        pics.append(c)

    add(lambda c: (page(c), c.text(5, 6, "+", GREEN)))                      # 0 New
    add(lambda c: (c.rect(1, 4, 14, 13, BLACK, YELLOW), c.line(1, 4, 4, 1), c.line(4, 1, 8, 1),
                   c.line(8, 1, 10, 4)))                                    # 1 Open
    add(disk)                                                               # 2 Save
    add(lambda c: (c.rect(1, 2, 14, 12, BLACK, WHITE), c.ellipse(3, 4, 7, 8, RED, RED),
                   c.line(2, 11, 7, 6, GREEN), c.line(7, 6, 13, 11, GREEN)))  # 3 Save Image
    add(lambda c: (disk(c), c.text(6, 9, "T", WHITE)))                      # 4 Save Template
    add(lambda c: (c.ellipse(2, 1, 13, 5, BLACK, TEAL), c.rect(2, 3, 13, 12, BLACK, TEAL),
                   c.ellipse(2, 10, 13, 14, BLACK, TEAL)))                  # 5 Browse Repository
    add(lambda c: (c.ellipse(2, 5, 13, 8, BLACK, TEAL), c.rect(2, 7, 13, 13, BLACK, TEAL),
                   c.line(7, 0, 7, 5, RED), c.line(5, 3, 7, 5, RED), c.line(9, 3, 7, 5, RED)))  # 6
    add(lambda c: arrow(c, True))                                           # 7 Undo
    add(lambda c: arrow(c, False))                                          # 8 Redo
    add(lambda c: (c.ellipse(2, 9, 6, 13), c.ellipse(9, 9, 13, 13), c.line(5, 9, 11, 1),
                   c.line(10, 9, 4, 1)))                                    # 9 Cut
    add(lambda c: (c.rect(1, 1, 8, 10, BLACK, PAPER), c.rect(6, 4, 13, 13, BLACK, PAPER)))  # 10
    add(lambda c: (c.rect(2, 2, 11, 13, BLACK, YELLOW), c.rect(6, 5, 14, 13, BLACK, PAPER),
                   c.rect(5, 1, 8, 3, BLACK, GREY)))                        # 11 Paste
    add(lambda c: (c.rect(4, 1, 11, 5, BLACK, WHITE), c.rect(1, 5, 14, 11, BLACK, GREY),
                   c.rect(4, 10, 11, 14, BLACK, WHITE)))                    # 12 Print
    add(lambda c: (c.ellipse(1, 0, 14, 14, BLUE, WHITE), c.text(6, 5, "I", BLUE)))  # 13 About
    add(lambda c: (c.ellipse(1, 0, 14, 14, GREEN, WHITE), c.text(6, 5, "?", GREEN)))  # 14 Help
    add(lambda c: lens(c, "-"))                                             # 15 Zoom Out
    add(lambda c: lens(c, "+"))                                             # 16 Zoom In
    add(lambda c: (page(c), c.rect(5, 5, 10, 10, BLUE)))                    # 17 New Model
    add(lambda c: (page(c), c.text(6, 6, "T", RED)))                        # 18 New Tool Model
    add(lambda c: (page(c), c.text(6, 6, "S", RED)))                        # 19 New Stereotype
    add(lambda c: (c.rect(1, 1, 14, 13), c.rect(5, 5, 10, 9, BLACK, BLUE)))  # 20 Implode
    add(lambda c: (c.rect(5, 5, 10, 9), c.rect(1, 1, 14, 13, BLUE)))        # 21 Explode
    add(lambda c: (page(c), c.line(5, 5, 5, 9), c.line(9, 5, 9, 9),
                   c.line(5, 7, 9, 7)))                                     # 22 Generate Code
    add(lambda c: (page(c), c.line(5, 4, 10, 4), c.line(5, 6, 10, 6), c.line(5, 8, 10, 8),
                   c.line(5, 10, 8, 10)))                                   # 23 Documentation
    add(lambda c: (page(c, False), c.line(4, 7, 11, 7, RED), c.line(4, 7, 6, 5, RED),
                   c.line(4, 7, 6, 9, RED)))                                # 24 Reverse Engineer
    return pics


def misc_strip():
    pics = []

    def add(f):
        c = Canvas()
        f(c)
        pics.append(c)

    def pointer(c):
        for y in range(1, 11):
            c.line(4, y, 4 + (y - 1) * 2 // 3, y)
        c.line(7, 9, 10, 14)
        c.line(8, 9, 11, 14)

    add(pointer)                                                            # 0 Pointer
    add(lambda c: (c.rect(1, 1, 10, 8, BLACK, YELLOW), c.line(7, 8, 12, 13),
                   c.rect(11, 11, 14, 14, BLACK, WHITE)))                   # 1 Tag
    add(lambda c: (c.line(1, 12, 14, 12), c.line(3, 7, 11, 7, BLUE), c.line(11, 7, 9, 5, BLUE),
                   c.line(11, 7, 9, 9, BLUE)))                              # 2 Message
    add(lambda c: (c.rect(1, 3, 9, 11, BLACK, YELLOW), c.ellipse(9, 5, 13, 9, BLACK, BLACK)))  # 3
    add(lambda c: (c.rect(1, 1, 14, 13), c.line(5, 1, 5, 13), c.line(10, 1, 10, 13)))  # 4 Swimlane
    add(lambda c: c.text(2, 5, "ABC"))                                      # 5 Text
    add(lambda c: c.line(2, 12, 13, 2))                                     # 6 Line
    add(lambda c: c.rect(2, 3, 13, 11))                                     # 7 Rectangle

    def roundrect(c):
        c.line(4, 3, 11, 3)
        c.line(4, 11, 11, 11)
        c.line(2, 5, 2, 9)
        c.line(13, 5, 13, 9)
        for x, y in ((3, 4), (12, 4), (3, 10), (12, 10)):
            c.dot(x, y, BLACK)

    add(roundrect)                                                          # 8
    add(lambda c: c.ellipse(1, 2, 14, 12))                                  # 9 Ellipse
    add(lambda c: (c.line(1, 12, 5, 3), c.line(5, 3, 9, 10), c.line(9, 10, 14, 2)))  # 10 Polyline
    add(lambda c: (c.line(2, 12, 6, 2), c.line(6, 2, 13, 5), c.line(13, 5, 11, 12),
                   c.line(11, 12, 2, 12)))                                  # 11 Polygon
    add(lambda c: (c.rect(2, 2, 13, 12, BLACK, WHITE), c.ellipse(5, 4, 10, 9, BLUE, YELLOW)))  # 12
    add(lambda c: (c.rect(1, 1, 6, 5), c.ellipse(8, 8, 14, 13),
                   c.rect(0, 0, 15, 14, GREY)))                             # 13 Group As Primitive
    add(lambda c: (c.rect(1, 1, 6, 5, BLACK, YELLOW), c.rect(8, 8, 14, 13, BLACK, YELLOW),
                   c.rect(0, 0, 15, 14, GREY)))                             # 14 Group As Place
    add(lambda c: (c.rect(1, 1, 6, 5), c.ellipse(8, 8, 14, 13)))            # 15 Ungroup
    add(lambda c: (c.rect(1, 1, 9, 8, BLACK, GREY), c.rect(5, 5, 14, 13, BLACK, YELLOW)))  # 16
    add(lambda c: (c.rect(5, 5, 14, 13, BLACK, GREY), c.rect(1, 1, 9, 8, BLACK, YELLOW)))  # 17
    add(lambda c: (c.rect(1, 1, 5, 5), c.rect(10, 9, 14, 13, BLACK, YELLOW), c.line(5, 5, 10, 9,
                                                                               BLUE)))  # 18
    add(lambda c: c.text(1, 5, "123"))                                      # 19 Renumber
    add(lambda c: (c.rect(2, 1, 6, 13, BLACK, RED), c.rect(7, 1, 11, 13, BLACK, BLUE),
                   c.line(12, 2, 14, 13)))                                  # 20 Library
    add(lambda c: (c.text(1, 4, "A"), c.text(8, 1, "A", BLUE), c.line(8, 7, 14, 7)))  # 21 Font
    add(lambda c: (c.rect(2, 2, 13, 12, BLACK, RED)))                       # 22 Fill Color
    add(lambda c: (c.rect(2, 2, 13, 12, BLUE), c.rect(3, 3, 12, 11, BLUE)))  # 23 Outline Color
    add(lambda c: [c.dot(x, y, BLACK) for y in (3, 7, 11) for x in range(2, 14)
                   if (x + y) % 3])                                         # 24 Outline Pattern
    add(lambda c: (c.rect(1, 1, 4, 4), c.rect(11, 10, 14, 13), c.line(4, 4, 11, 10)))  # 25 Normal
    add(lambda c: (c.rect(1, 1, 4, 4), c.rect(11, 10, 14, 13), c.line(4, 2, 8, 2),
                   c.line(8, 2, 8, 11), c.line(8, 11, 11, 11)))             # 26 Step
    add(lambda c: (c.rect(1, 1, 4, 4), c.rect(11, 10, 14, 13), c.line(4, 3, 7, 4),
                   c.line(7, 4, 8, 7), c.line(8, 7, 9, 10), c.line(9, 10, 11, 11)))  # 27 Curve
    add(lambda c: (c.rect(1, 1, 14, 12, BLACK, YELLOW), c.line(3, 4, 12, 4), c.line(3, 7, 12, 7),
                   c.line(3, 10, 9, 10)))                                   # 28 Annotation
    return pics


def junction_strip():
    pics = []
    shapes = [
        lambda c: c.ellipse(4, 4, 11, 10, BLACK, BLACK),             # filled dot
        lambda c: c.ellipse(3, 3, 12, 11, BLACK, WHITE),             # hollow circle
        lambda c: (c.line(7, 1, 14, 7), c.line(14, 7, 7, 13), c.line(7, 13, 1, 7),
                   c.line(1, 7, 7, 1)),                                # diamond
        lambda c: c.rect(2, 5, 13, 8, BLACK, BLACK),                 # bar
        lambda c: c.rect(6, 1, 9, 13, BLACK, BLACK),                 # upright bar
        lambda c: (c.ellipse(2, 2, 13, 12, BLACK, WHITE), c.ellipse(5, 5, 10, 9, BLACK, BLACK)),
    ]
    for f in shapes:
        c = Canvas()
        f(c)
        pics.append(c)
    return pics


def icon_strip():
    pics = []
    colours = [RED, BLUE, GREEN, TEAL]
    for i in range(24):
        c = Canvas()
        colour = colours[i % 4]
        c.rect(1, 1, 14, 13, GREY, WHITE)
        kind = i // 4
        if kind == 0:
            c.ellipse(4, 3, 11, 11, colour, colour)
        elif kind == 1:
            c.rect(4, 4, 11, 10, colour, colour)
        elif kind == 2:
            c.line(7, 3, 12, 11, colour)
            c.line(12, 11, 3, 11, colour)
            c.line(3, 11, 7, 3, colour)
        elif kind == 3:
            c.ellipse(5, 2, 10, 6, colour)
            c.line(7, 6, 7, 10, colour)
            c.line(4, 8, 11, 8, colour)
            c.line(7, 10, 5, 12, colour)
            c.line(7, 10, 10, 12, colour)
        elif kind == 4:
            c.line(3, 7, 12, 7, colour)
            c.line(7, 3, 7, 11, colour)
        else:
            c.text(4, 5, str(i + 1 - 20) if i >= 20 else "?", colour)
            c.rect(3, 3, 12, 11, colour)
        pics.append(c)
    return pics


def custom_strip():
    pics = []
    for i in range(28):
        c = Canvas()
        if i < 10:                                                    # link tools
            c.line(1, 13, 14, 1, BLUE)
            c.text(1, 1, str(i + 1) if i < 9 else "0")
        elif i < 24:                                                  # place tools
            c.rect(1, 3, 14, 12, BLACK, YELLOW)
            c.text(3 if i - 9 < 10 else 1, 5, str(i - 9))
        elif i == 24:                                                 # design edit
            c.rect(1, 1, 14, 13, GREY, WHITE)
            c.rect(3, 4, 8, 8, BLACK)
            c.line(8, 6, 12, 10, BLUE)
        elif i == 25:                                                 # icon edit
            c.rect(1, 1, 14, 13, GREY, WHITE)
            for y in range(3, 12, 2):
                for x in range(3, 13, 2):
                    c.dot(x, y, RED if (x + y) % 4 == 0 else GREY)
        elif i == 26:                                                 # model edit
            page(c)
            c.rect(5, 5, 10, 10, BLUE)
        else:                                                         # extra tools
            c.line(3, 5, 12, 5)
            c.line(4, 6, 11, 6)
            c.line(5, 7, 10, 7)
            c.line(6, 8, 9, 8)
            c.line(7, 9, 8, 9)
        pics.append(c)
    return pics


def write_png(path, pics):
    width = W * len(pics)
    raw = bytearray()
    for y in range(H):
        raw.append(0)
        for pic in pics:
            for x in range(W):
                raw.extend(pic.px[y][x])

    def chunk(tag, data):
        body = tag + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, H, 8, 6, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                  chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "Icons",
                        "toolbar")
    os.makedirs(root, exist_ok=True)
    write_png(os.path.join(root, "main.png"), main_strip())
    write_png(os.path.join(root, "misc.png"), misc_strip())
    write_png(os.path.join(root, "custom.png"), custom_strip())
    write_png(os.path.join(root, "junctions.png"), junction_strip())
    write_png(os.path.join(root, "icons.png"), icon_strip())


if __name__ == "__main__":
    main()
