"""The program's icon: a speech balloon with a little flame inside, on a rounded evening-blue
square. The shapes are laid out on a grid of SIZE x SIZE and drawn at any size from it: the
program carries the SIZE one (the toolkit scales it for the tray and the title bar, and it is the
splash window's small picture), the desktop gets one per size of its icon theme.
"""

from .canvas import Canvas, box, circle, clamp, ellipse, mix, polygon

SIZE = 64

NIGHT_TOP = (44, 70, 120)
NIGHT_BOTTOM = (24, 36, 72)
PAPER = (255, 246, 222)
OUTLINE = (60, 44, 40)
FLAME_OUTER = (255, 150, 60)
FLAME_INNER = (255, 232, 140)


def square(scale=1.0):
    return box(1, 1, SIZE - 1, SIZE - 1, radius=12).scaled(scale)


def alpha_rows(size=SIZE):
    """The icon's opacity, rows of bytes: the rounded square, its corners see-through."""
    shape = square(size / SIZE)
    return [bytes(round(255 * clamp(0.5 - shape.distance(x + 0.5, y + 0.5)))
                  for x in range(size)) for y in range(size)]


def draw(size=SIZE):
    """The icon's colours as a Canvas of size x size."""
    scale = size / SIZE
    canvas = Canvas(size, size, NIGHT_BOTTOM)
    canvas.paint(square(scale), lambda x, y: mix(NIGHT_TOP, NIGHT_BOTTOM, y / size))
    balloon = ellipse(32, 28, 25, 19) | polygon([(14, 38), (8, 56), (28, 44)])
    canvas.paint(balloon.grown(2).scaled(scale), OUTLINE)
    canvas.paint(balloon.scaled(scale), PAPER)
    canvas.glow(32 * scale, 27 * scale, 18 * scale, (255, 210, 120), 0.45)
    flame = circle(32, 32, 7) | polygon([(25.5, 30), (34, 12), (38.5, 30)])
    canvas.paint(flame.scaled(scale), FLAME_OUTER)
    core = circle(32, 33, 3.6) | polygon([(28.6, 32), (33, 21), (35.4, 32)])
    canvas.paint(core.scaled(scale), FLAME_INNER)
    return canvas
