"""Pictures of ムギ, the old tabby cat with round spectacles who sits on a purple cushion, and his
two balloon pictures.

The cat's pictures and balloons lie on a flat key colour that also fills the bottom-left pixel:
the character file asks the program to turn that colour into the window's own background. The
key colour is used nowhere else in a picture, so no pixel of the drawing disappears with it.
"""

import math

from .canvas import (Canvas, arc_points, box, circle, ellipse, polygon, stroke)

SIZE = 200
BALLOON_WIDTH, BALLOON_HEIGHT = 350, 200

KEY = (240, 240, 240)
FUR = (236, 164, 88)
FUR_DARK = (192, 110, 56)
WHITE_FUR = (252, 247, 236)
PINK = (236, 150, 150)
INK = (70, 48, 36)
EYE = (206, 214, 96)
GLASSES = (92, 66, 44)
CUSHION = (128, 72, 122)
CUSHION_LIGHT = (156, 100, 150)
TASSEL = (232, 196, 92)


def paint_cushion(canvas):
    canvas.paint(box(26, 166, 174, 194, 12), CUSHION)
    canvas.paint(box(34, 168, 166, 176, 6), CUSHION_LIGHT, opacity=0.7)
    for x in (28, 172):
        canvas.paint(circle(x, 172, 4), TASSEL)
        canvas.paint(stroke([(x, 174), (x + (-4 if x < 100 else 4), 186)], 2), TASSEL)


def paint_body(canvas, puffed):
    body = ellipse(100, 146, 64 if not puffed else 70, 38 if not puffed else 42)
    canvas.paint(body.grown(1.2), FUR_DARK)
    canvas.paint(body, FUR)
    for x in (52, 148):
        for dy in (0, 12):
            canvas.paint(stroke(arc_points(x, 138 + dy, 10, 6, -0.6, 0.6) if x > 100 else
                                arc_points(x, 138 + dy, 10, 6, math.pi - 0.6, math.pi + 0.6), 3.2) & body,
                         FUR_DARK, 0.8)
    canvas.paint(ellipse(100, 144, 26, 22), WHITE_FUR)
    tail = stroke(arc_points(150, 160, 30, 16, -0.2, 1.9, 20), 11)
    canvas.paint(tail.grown(1.2), FUR_DARK)
    canvas.paint(tail, FUR)
    for angle in (0.3, 0.9, 1.5):
        x = 150 + 30 * math.cos(angle)
        y = 160 + 16 * math.sin(angle)
        canvas.paint(circle(x, y, 3.4) & tail, FUR_DARK, 0.9)
    for x in (82, 118):
        canvas.paint(ellipse(x, 172, 11, 7).grown(1), FUR_DARK)
        canvas.paint(ellipse(x, 172, 11, 7), WHITE_FUR)


def paint_head(canvas, ears_back, puffed):
    if ears_back:
        ears = polygon([(52, 78), (40, 50), (80, 58)]) | polygon([(148, 78), (160, 50), (120, 58)])
        inner = polygon([(56, 72), (48, 56), (72, 60)]) | polygon([(144, 72), (152, 56), (128, 60)])
    else:
        ears = polygon([(56, 74), (60, 30), (90, 54)]) | polygon([(144, 74), (140, 30), (110, 54)])
        inner = polygon([(62, 66), (64, 40), (82, 56)]) | polygon([(138, 66), (136, 40), (118, 56)])
    canvas.paint(ears.grown(1.5), FUR_DARK)
    canvas.paint(ears, FUR)
    canvas.paint(inner, PINK, 0.8)

    head = ellipse(100, 92, 54 if not puffed else 58, 44 if not puffed else 47)
    if puffed:
        spikes = [(100 + 60 * math.cos(a * math.pi / 12), 92 + 50 * math.sin(a * math.pi / 12))
                  for a in range(24)]
        for x, y in spikes:
            canvas.paint(circle(x, y, 5), FUR)
    canvas.paint(head.grown(1.5), FUR_DARK)
    canvas.paint(head, FUR)
    for dx, length in ((-10, 14), (0, 18), (10, 14)):
        canvas.paint(stroke([(100 + dx, 50), (100 + dx * 0.8, 50 + length)], 3.4), FUR_DARK)
    for side in (-1, 1):
        for dy in (-4, 6):
            x0 = 100 + side * 54
            canvas.paint(stroke([(x0, 92 + dy), (x0 - side * 13, 94 + dy)], 3) & head, FUR_DARK)
    canvas.paint(ellipse(90, 110, 13, 10) | ellipse(110, 110, 13, 10), WHITE_FUR)
    canvas.paint(ellipse(100, 122, 10, 6), WHITE_FUR)


def paint_nose_and_whiskers(canvas):
    canvas.paint(polygon([(95, 102), (105, 102), (100, 108)]), PINK)
    for side in (-1, 1):
        for dy, spread in ((-2, -5), (3, 0), (8, 5)):
            start = (100 + side * 14, 110 + dy)
            end = (100 + side * 44, 108 + dy + spread)
            canvas.paint(stroke([start, end], 1.1), (130, 110, 96))


def mouth_omega(canvas):
    for x in (95, 105):
        canvas.paint(stroke(arc_points(x, 110, 5, 4, 0.2, math.pi - 0.2), 1.8), INK)


def mouth_open(canvas, fang):
    mouth = ellipse(100, 117, 9, 7) & box(88, 111, 112, 126)
    canvas.paint(mouth, (140, 50, 56))
    canvas.paint(ellipse(100, 121, 5, 2.5) & mouth, (228, 120, 126))
    if fang:
        canvas.paint(polygon([(93, 111), (97, 111), (95, 117)]), (255, 255, 255))


def mouth_smirk(canvas):
    canvas.paint(stroke([(94, 112), (100, 114), (108, 110), (112, 106)], 2), INK)


def eye_lidded(canvas, x, y):
    eye = ellipse(x, y, 8, 7)
    canvas.paint(eye, EYE)
    canvas.paint(ellipse(x, y + 1, 2, 5.5) & eye, INK)
    canvas.paint(box(x - 10, y - 9, x + 10, y - 0.5) & eye.grown(0.8), FUR)
    canvas.paint(stroke([(x - 8.5, y - 0.5), (x + 8.5, y - 0.5)], 1.8), INK)


def eye_round(canvas, x, y):
    canvas.paint(circle(x, y, 9), (255, 255, 240))
    canvas.paint(circle(x, y, 8), EYE)
    canvas.paint(circle(x, y, 2.6), INK)
    canvas.paint(circle(x + 2.5, y - 3, 1.6), (255, 255, 255))


def eye_closed_arc(canvas, x, y, upward):
    points = (arc_points(x, y + 3, 8, 5, math.pi + 0.3, 2 * math.pi - 0.3) if upward
              else arc_points(x, y - 2, 8, 4, 0.3, math.pi - 0.3))
    canvas.paint(stroke(points, 2.2), INK)


def eye_narrow(canvas, x, y, side):
    canvas.paint(ellipse(x, y + 2, 8, 3.5), EYE)
    canvas.paint(ellipse(x, y + 2, 1.8, 3.2), INK)
    canvas.paint(stroke([(x - 9, y - 2 - 3 * side), (x + 9, y - 2 + 3 * side)], 2.6), INK)


def glasses(canvas, lift=0):
    for x in (80, 120):
        canvas.paint(circle(x, 88 - lift, 14) - circle(x, 88 - lift, 12), GLASSES)
        canvas.paint(circle(x - 5, 83 - lift, 3), (255, 255, 255), 0.35)
    canvas.paint(stroke(arc_points(100, 88 - lift, 6, 3, math.pi + 0.2, 2 * math.pi - 0.2), 2), GLASSES)


def anger_mark(canvas):
    red = (220, 60, 60)
    for angle in range(4):
        a = angle * math.pi / 2 + math.pi / 4
        cx, cy = 162 + 12 * math.cos(a), 38 + 12 * math.sin(a)
        canvas.paint(stroke(arc_points(cx, cy, 7, 7, a + math.pi * 0.75, a + math.pi * 1.25, 6), 3.4), red)


def draw(expression):
    """The 200 x 200 picture for one expression, as a Canvas on the key colour."""
    canvas = Canvas(SIZE, SIZE, KEY)
    puffed = expression == "bikkuri"
    paint_cushion(canvas)
    paint_body(canvas, puffed)
    paint_head(canvas, ears_back=expression == "okori", puffed=puffed)
    paint_nose_and_whiskers(canvas)

    if expression == "futsuu":
        eye_lidded(canvas, 80, 88)
        eye_lidded(canvas, 120, 88)
        mouth_omega(canvas)
        glasses(canvas)
    elif expression == "niyari":
        eye_closed_arc(canvas, 80, 88, upward=True)
        eye_lidded(canvas, 120, 88)
        mouth_smirk(canvas)
        glasses(canvas)
        canvas.paint(polygon([(132, 74), (134, 70), (136, 74), (140, 76), (136, 78), (134, 82),
                              (132, 78), (128, 76)]), (255, 255, 230))
    elif expression == "okori":
        eye_narrow(canvas, 80, 88, side=1)
        eye_narrow(canvas, 120, 88, side=-1)
        mouth_open(canvas, fang=True)
        glasses(canvas)
        anger_mark(canvas)
    elif expression == "bikkuri":
        eye_round(canvas, 80, 88)
        eye_round(canvas, 120, 88)
        mouth_open(canvas, fang=False)
        glasses(canvas, lift=6)
        canvas.paint(stroke([(30, 30), (30, 48)], 4.5), (230, 90, 60))
        canvas.paint(circle(30, 56, 2.6), (230, 90, 60))
    elif expression == "nemui":
        eye_closed_arc(canvas, 80, 90, upward=False)
        eye_closed_arc(canvas, 120, 90, upward=False)
        mouth_omega(canvas)
        glasses(canvas)
        canvas.paint(circle(112, 104, 7) - circle(112, 104, 5.8), (120, 170, 220))
        canvas.paint(circle(110, 101, 1.6), (255, 255, 255))
        for x, y, s in ((150, 40, 7), (168, 24, 5)):
            canvas.paint(stroke([(x - s, y - s), (x + s, y - s), (x - s, y + s), (x + s, y + s)], 2.4),
                         (110, 120, 170))
    else:
        raise ValueError(expression)
    canvas.set_pixel(0, SIZE - 1, KEY)
    return canvas


EXPRESSIONS = ("futsuu", "niyari", "okori", "bikkuri", "nemui")


def paw(canvas, x, y, colour):
    canvas.paint(ellipse(x, y + 3, 5.5, 4.5), colour)
    for dx, dy in ((-6, -4), (-2, -8), (2, -8), (6, -4)):
        canvas.paint(circle(x + dx, y + dy, 2.1), colour)


def fish(canvas, x, y, colour):
    canvas.paint(ellipse(x, y, 9, 4.5) | polygon([(x + 7, y), (x + 14, y - 5), (x + 14, y + 5)]), colour)
    canvas.paint(circle(x - 5, y - 1, 1.1), (255, 255, 255))


def draw_balloon(owner):
    """The 350 x 200 balloon for "char" (the cat's turn) or "user" (the user's turn)."""
    canvas = Canvas(BALLOON_WIDTH, BALLOON_HEIGHT, KEY)
    if owner == "char":
        fill, border, decoration = (250, 242, 222), (124, 84, 52), (224, 198, 160)
    else:
        fill, border, decoration = (234, 243, 250), (92, 126, 166), (176, 204, 228)
    body = box(24, 6, 344, 194, 18)
    if owner == "char":
        body = body | polygon([(30, 98), (2, 150), (30, 132)])
    canvas.paint(body.grown(3), border)
    canvas.paint(body, fill)
    canvas.paint(box(32, 14, 336, 186, 12) - box(34, 16, 334, 184, 11), decoration, 0.6)
    if owner == "char":
        paw(canvas, 326, 30, decoration)
        paw(canvas, 326, 172, decoration)
    else:
        fish(canvas, 320, 28, decoration)
        fish(canvas, 320, 174, decoration)
    canvas.set_pixel(0, BALLOON_HEIGHT - 1, KEY)
    return canvas
