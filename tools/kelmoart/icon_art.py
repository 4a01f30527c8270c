"""The program's icon: a speech balloon with a little flame inside, on a rounded evening-blue
square. It is drawn at one size (the toolkit scales it for the tray and the title bar) and is the
splash window's small picture too.
"""

from .canvas import Canvas, box, circle, clamp, ellipse, mix, polygon

SIZE = 64

NIGHT_TOP = (44, 70, 120)
NIGHT_BOTTOM = (24, 36, 72)
PAPER = (255, 246, 222)
OUTLINE = (60, 44, 40)
FLAME_OUTER = (255, 150, 60)
FLAME_INNER = (255, 232, 140)


def square():
    return box(1, 1, SIZE - 1, SIZE - 1, radius=12)


def alpha_rows():
    """The icon's opacity, rows of bytes: the rounded square, its corners see-through."""
    shape = square()
    return [bytes(round(255 * clamp(0.5 - shape.distance(x + 0.5, y + 0.5)))
                  for x in range(SIZE)) for y in range(SIZE)]


def draw():
    """The icon's colours as a Canvas of SIZE x SIZE."""
    canvas = Canvas(SIZE, SIZE, NIGHT_BOTTOM)
    canvas.paint(square(), lambda x, y: mix(NIGHT_TOP, NIGHT_BOTTOM, y / SIZE))
    balloon = ellipse(32, 28, 25, 19) | polygon([(14, 38), (8, 56), (28, 44)])
    canvas.paint(balloon.grown(2), OUTLINE)
    canvas.paint(balloon, PAPER)
    canvas.glow(32, 27, 18, (255, 210, 120), 0.45)
    flame = circle(32, 32, 7) | polygon([(25.5, 30), (34, 12), (38.5, 30)])
    canvas.paint(flame, FLAME_OUTER)
    core = circle(32, 33, 3.6) | polygon([(28.6, 32), (33, 21), (35.4, 32)])
    canvas.paint(core, FLAME_INNER)
    return canvas
