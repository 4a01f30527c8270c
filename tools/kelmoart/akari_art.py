"""Pictures of あかり, the lantern spirit: a round paper lantern with a face, a little floating
flame and a leaf hairpin, sitting on moss in the evening garden.

One function draws the whole picture for an expression name; the expressions differ in the eyes,
mouth, cheeks, the flame's size and a few marks (a sweat drop, a tear, sleepy letters). The
background is painted, not colour-keyed, so the JPEG version has no key colour to lose.
"""

import math

from .canvas import (Canvas, arc_points, box, circle, ellipse, mix, polygon, star, stroke)

SIZE = 200

PAPER = (255, 238, 196)
PAPER_GLOW = (255, 214, 140)
RIB = (226, 178, 112)
WOOD = (96, 62, 44)
WOOD_LIGHT = (132, 92, 62)
INK = (74, 46, 36)
BLUSH = (255, 150, 140)
LEAF = (96, 168, 84)
LEAF_DARK = (60, 120, 60)

CENTRE_X, CENTRE_Y = 100, 114
BODY_RX, BODY_RY = 58, 58


def body_shape():
    return ellipse(CENTRE_X, CENTRE_Y, BODY_RX, BODY_RY)


def paint_background(canvas, night):
    top, bottom = ((14, 20, 44), (28, 44, 52)) if night else ((44, 70, 96), (96, 112, 96))
    canvas.fill_all(lambda x, y: mix(top, bottom, y / SIZE))
    if night:
        for x, y, r in ((24, 22, 2.2), (58, 12, 1.6), (150, 30, 1.8), (180, 64, 1.4), (12, 70, 1.5),
                        (132, 10, 1.2), (88, 26, 1.0)):
            canvas.glow(x, y, r * 4, (255, 255, 220), 0.9)
            canvas.paint(star(x, y, r * 1.6, r * 0.6), (255, 250, 220))
        moon = circle(164, 30, 16) - circle(172, 24, 14)
        canvas.glow(160, 32, 34, (250, 240, 190), 0.35)
        canvas.paint(moon, (250, 240, 190))
    else:
        for x, y in ((22, 40), (176, 58), (34, 104), (168, 128), (150, 20)):
            canvas.glow(x, y, 9, (230, 255, 150), 0.8)
            canvas.paint(circle(x, y, 1.6), (250, 255, 200))
    moss = (52, 92, 58) if night else (78, 128, 70)
    moss_light = (70, 112, 70) if night else (112, 158, 90)
    canvas.paint(ellipse(100, 206, 130, 34), moss)
    for x, y, rx in ((40, 184, 22), (150, 186, 26), (96, 190, 30)):
        canvas.paint(ellipse(x, y, rx, 6), moss_light, opacity=0.8)


def paint_flame(canvas, scale, dim):
    base_y = 40
    height = 26 * scale
    width = 9 * scale
    outer = (255, 160, 70) if not dim else (150, 150, 210)
    inner = (255, 236, 150) if not dim else (210, 215, 255)
    canvas.glow(CENTRE_X, base_y - height * 0.4, 30 * scale, (255, 200, 110), 0.5 if not dim else 0.2)
    tip = (CENTRE_X + 3 * scale, base_y - height)
    flame = ellipse(CENTRE_X, base_y - width * 0.6, width, width) | polygon(
        [(CENTRE_X - width * 0.92, base_y - width * 0.9), tip, (CENTRE_X + width * 0.92, base_y - width * 0.9)])
    canvas.paint(flame, outer)
    core = ellipse(CENTRE_X, base_y - width * 0.6, width * 0.5, width * 0.55) | polygon(
        [(CENTRE_X - width * 0.45, base_y - width * 0.8), (tip[0] - 1, tip[1] + height * 0.45),
         (CENTRE_X + width * 0.45, base_y - width * 0.8)])
    canvas.paint(core, inner)


def paint_lantern(canvas, arms_up=False):
    # Arms behind the body first, so the body overlaps their roots.
    if arms_up:
        arms = ellipse(52, 118, 9, 13, angle=0.5) | ellipse(148, 118, 9, 13, angle=-0.5)
    else:
        arms = ellipse(44, 132, 10, 14, angle=-0.6) | ellipse(156, 132, 10, 14, angle=0.6)
    canvas.paint(arms.grown(1.5), RIB)
    canvas.paint(arms, PAPER)

    body = body_shape()
    canvas.paint(body.grown(1.5), RIB)
    canvas.paint(body, lambda x, y: mix(PAPER_GLOW, PAPER,
                                        min(1.0, math.hypot(x - CENTRE_X, y - CENTRE_Y) / 52)))
    for offset in (-36, -18, 18, 36):
        y = CENTRE_Y + offset
        half = BODY_RX * math.sqrt(max(0.0, 1 - (offset / BODY_RY) ** 2))
        rib = stroke(arc_points(CENTRE_X, y - 4, half, 6, 0.15, math.pi - 0.15), 1.6) & body
        canvas.paint(rib, RIB, opacity=0.55)

    canvas.paint(box(66, 48, 134, 62, 5), WOOD)
    canvas.paint(box(70, 50, 130, 54, 2), WOOD_LIGHT, opacity=0.7)
    canvas.paint(box(72, 166, 128, 178, 5), WOOD)
    canvas.paint(box(76, 168, 124, 171, 2), WOOD_LIGHT, opacity=0.7)
    canvas.paint(box(96, 178, 104, 186, 2), WOOD)

    leaf = ellipse(138, 70, 13, 6, angle=-0.7)
    canvas.paint(leaf, LEAF)
    canvas.paint(stroke([(130, 78), (146, 62)], 1.2), LEAF_DARK)
    canvas.paint(circle(130, 78, 3), (236, 96, 80))


def eye_open(canvas, x, y, scale=1.0, look=0.0):
    canvas.paint(ellipse(x + look, y, 5.2 * scale, 7.2 * scale), INK)
    canvas.paint(circle(x + look + 1.8 * scale, y - 2.6 * scale, 1.9 * scale), (255, 255, 255))
    canvas.paint(circle(x + look - 1.6 * scale, y + 2.8 * scale, 0.9 * scale), (255, 255, 255), 0.8)


def eye_happy(canvas, x, y):
    canvas.paint(stroke(arc_points(x, y + 3, 6.5, 6, math.pi + 0.2, 2 * math.pi - 0.2), 2.6), INK)


def eye_closed(canvas, x, y):
    canvas.paint(stroke(arc_points(x, y - 1, 6.5, 4, 0.25, math.pi - 0.25), 2.4), INK)


def eyebrow(canvas, x, y, tilt):
    canvas.paint(stroke([(x - 6, y + tilt), (x + 6, y - tilt)], 2.0), INK, opacity=0.85)


def cheeks(canvas, strength=0.45, lines=False):
    for x in (70, 130):
        canvas.paint(ellipse(x, 128, 9, 5), BLUSH, opacity=strength, softness=2.5)
        if lines:
            for dx in (-4, 0, 4):
                canvas.paint(stroke([(x + dx + 1.5, 125), (x + dx - 1.5, 131)], 1.1), (230, 110, 110))


def mouth_smile(canvas, width=7):
    canvas.paint(stroke(arc_points(100, 129, width, 4.5, 0.3, math.pi - 0.3), 2.2), INK)


def mouth_open(canvas):
    mouth = ellipse(100, 131, 8.5, 7) & box(88, 131, 112, 140)
    canvas.paint(mouth, (150, 58, 58))
    canvas.paint(ellipse(100, 137, 5, 2.6) & mouth, (236, 120, 120))


def mouth_o(canvas, rx=3.6, ry=4.4):
    canvas.paint(ellipse(100, 134, rx, ry), (150, 58, 58))


def mouth_sad(canvas):
    canvas.paint(stroke(arc_points(100, 138, 7, 4.5, math.pi + 0.35, 2 * math.pi - 0.35), 2.2), INK)


def mouth_wavy(canvas):
    points = [(92 + i, 132 + 1.6 * math.sin(i * math.pi / 4)) for i in range(17)]
    canvas.paint(stroke(points, 2.0), INK)


def drop(canvas, x, y, size, colour):
    canvas.paint(circle(x, y, size) | polygon([(x - size * 0.95, y - size * 0.3), (x, y - size * 2.4),
                                              (x + size * 0.95, y - size * 0.3)]), colour)
    canvas.paint(circle(x - size * 0.35, y - size * 0.2, size * 0.3), (255, 255, 255), 0.8)


def sleepy_letters(canvas):
    for x, y, s in ((52, 40, 8), (32, 22, 5.5)):
        canvas.paint(stroke([(x - s, y - s), (x + s, y - s), (x - s, y + s), (x + s, y + s)], 2.4),
                     (200, 210, 255))


def draw(expression):
    """The 200 x 200 picture for one expression, as a Canvas."""
    canvas = Canvas(SIZE, SIZE)
    night = expression == "nemui"
    paint_background(canvas, night)
    flame_scale = {"odoroki": 1.35, "shonbori": 0.7, "nemui": 0.6}.get(expression, 1.0)
    paint_flame(canvas, flame_scale, dim=expression in ("shonbori", "nemui"))
    paint_lantern(canvas, arms_up=expression == "tere")

    if expression == "futsuu":
        eye_open(canvas, 80, 112)
        eye_open(canvas, 120, 112)
        cheeks(canvas)
        mouth_smile(canvas)
    elif expression == "egao":
        eye_happy(canvas, 80, 112)
        eye_happy(canvas, 120, 112)
        cheeks(canvas, 0.65)
        mouth_open(canvas)
    elif expression == "odoroki":
        eyebrow(canvas, 80, 94, 0)
        eyebrow(canvas, 120, 94, 0)
        eye_open(canvas, 80, 112, scale=1.3)
        eye_open(canvas, 120, 112, scale=1.3)
        mouth_o(canvas)
        for x1, y1, x2, y2 in ((40, 58, 48, 70), (30, 76, 42, 80), (160, 58, 152, 70)):
            canvas.paint(stroke([(x1, y1), (x2, y2)], 2.6), (255, 236, 150))
    elif expression == "shonbori":
        eyebrow(canvas, 80, 98, 3)
        eyebrow(canvas, 120, 98, -3)
        eye_closed(canvas, 80, 114)
        eye_closed(canvas, 120, 114)
        mouth_sad(canvas)
        drop(canvas, 86, 128, 3, (150, 200, 255))
    elif expression == "komari":
        eyebrow(canvas, 80, 97, 2.5)
        eyebrow(canvas, 120, 97, -2.5)
        eye_open(canvas, 80, 113, scale=0.9)
        eye_open(canvas, 120, 113, scale=0.9)
        cheeks(canvas, 0.3)
        mouth_wavy(canvas)
        drop(canvas, 148, 84, 5, (150, 210, 255))
    elif expression == "nemui":
        eye_closed(canvas, 80, 116)
        eye_closed(canvas, 120, 116)
        cheeks(canvas, 0.35)
        mouth_o(canvas, 2.6, 3.2)
        sleepy_letters(canvas)
    elif expression == "tere":
        eye_open(canvas, 80, 112, scale=0.95, look=4)
        eye_open(canvas, 120, 112, scale=0.95, look=4)
        cheeks(canvas, 0.8, lines=True)
        mouth_wavy(canvas)
    else:
        raise ValueError(expression)
    return canvas


EXPRESSIONS = ("futsuu", "egao", "odoroki", "shonbori", "komari", "nemui", "tere")
