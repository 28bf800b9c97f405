"""Draws the program's icon. Run here with python3; commit the written files."""

from draw import Canvas, write_ico

BLUE = (38, 103, 196, 255)
DARK = (40, 48, 64, 255)
PAPER = (250, 250, 247, 255)
EDGE = (120, 128, 140, 255)
GLASS = (190, 222, 250, 200)
LINES = (160, 170, 185, 255)


def program_icon(size):
    c = Canvas(size)
    # A sheet of paper with text lines...
    c.rect(1.5, 0.5, 11.5, 14.5, EDGE, radius=0.8)
    c.rect(2.3, 1.3, 10.7, 13.7, PAPER, radius=0.4)
    for y in (3.5, 5.5, 7.5):
        c.line(4, y, 9, y, 0.8, LINES)
    # ...under a magnifying glass.
    c.line(11.2, 11.2, 14.6, 14.6, 2.4, DARK)
    c.circle(8.6, 8.6, 4.6, GLASS)
    c.ring(8.6, 8.6, 4.8, 1.4, BLUE)
    return c


if __name__ == '__main__':
    write_ico('quarrow.ico', [program_icon(s) for s in (16, 32, 48)])
