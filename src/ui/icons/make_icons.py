"""Draws the program's pictures. Run here with python3; commit the written files.

quarrow.ico        the program icon
actions<N>.bmp     the 18 pictures of the action image list, N x N each, in index order
status<N>.bmp      the three status lights (green, red, gray) and the browse-button glyph
pages<N>.bmp       the pictures of the Preferences dialog's three tabs, N x N each
"""

import math

from draw import Canvas, write_ico, write_strip_bmp

BLUE = (38, 103, 196, 255)
DARK = (40, 48, 64, 255)
PAPER = (250, 250, 247, 255)
EDGE = (120, 128, 140, 255)
GLASS = (190, 222, 250, 200)
LINES = (160, 170, 185, 255)
WHITE = (255, 255, 255, 255)
RED = (206, 48, 40, 255)
DARK_RED = (150, 30, 25, 255)
GREEN = (48, 150, 60, 255)
FOLDER = (240, 196, 80, 255)
FOLDER_EDGE = (178, 130, 36, 255)
FOLDER_BACK = (222, 170, 58, 255)
WOOD = (168, 112, 60, 255)
STEEL = (150, 156, 166, 255)
GRAY = (110, 114, 120, 255)

SIZES = (16, 20, 24, 32)


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


def sheet(c, x0=2.5, y0=0.5, x1=12.5, y1=15.5):
    c.rect(x0, y0, x1, y1, EDGE, radius=0.6)
    c.rect(x0 + 0.9, y0 + 0.9, x1 - 0.9, y1 - 0.9, PAPER, radius=0.3)


def text_lines(c, x0, x1, ys, colour=LINES):
    for y in ys:
        c.line(x0, y, x1, y, 0.9, colour)


def badge(c, colour):
    c.circle(8, 8, 7.4, colour)
    c.ring(8, 8, 7.4, 0.8, (0, 0, 0, 60))


def about(size):
    c = Canvas(size)
    badge(c, BLUE)
    c.circle(8, 4.6, 1.3, WHITE)
    c.rect(6.9, 6.8, 9.1, 12.6, WHITE, radius=0.5)
    return c


def search(size):
    c = Canvas(size)
    c.line(10, 10, 14.5, 14.5, 2.6, DARK)
    c.circle(6.5, 6.5, 5.2, GLASS)
    c.ring(6.5, 6.5, 5.4, 1.5, BLUE)
    return c


def stop(size):
    c = Canvas(size)
    pts = [(8 + 7.3 * math.cos(math.radians(22.5 + 45 * k)), 8 + 7.3 * math.sin(math.radians(22.5 + 45 * k)))
           for k in range(8)]
    c.polygon(pts, DARK_RED)
    inner = [(8 + 6.2 * math.cos(math.radians(22.5 + 45 * k)), 8 + 6.2 * math.sin(math.radians(22.5 + 45 * k)))
             for k in range(8)]
    c.polygon(inner, RED)
    c.rect(4, 7, 12, 9, WHITE, radius=0.4)
    return c


def help_(size):
    c = Canvas(size)
    badge(c, BLUE)
    c.arc(8, 5.9, 3.0, 1.8, 180, 70, WHITE)
    c.line(9.1, 8.4, 8, 9.6, 1.8, WHITE)
    c.line(8, 9.6, 8, 10.2, 1.8, WHITE)
    c.circle(8, 12.8, 1.2, WHITE)
    return c


def open_folder(size):
    c = Canvas(size)
    c.polygon([(0.8, 3), (5.5, 3), (7, 4.5), (13.5, 4.5), (13.5, 13.5), (0.8, 13.5)], FOLDER_EDGE)
    c.polygon([(1.6, 3.8), (5.1, 3.8), (6.6, 5.3), (12.7, 5.3), (12.7, 12.7), (1.6, 12.7)], FOLDER_BACK)
    c.polygon([(3.4, 7), (15.4, 7), (13.2, 13.5), (0.8, 13.5)], FOLDER_EDGE)
    c.polygon([(4, 7.8), (14.3, 7.8), (12.6, 12.7), (1.9, 12.7)], FOLDER)
    return c


def gear(size):
    c = Canvas(size)
    teeth = []
    for k in range(8):
        a = math.radians(45 * k)
        ca, sa = math.cos(a), math.sin(a)
        # A tooth: a small rectangle pointing outwards.
        pts = []
        for (r, t) in ((4.5, -1.3), (7.4, -1.1), (7.4, 1.1), (4.5, 1.3)):
            pts.append((8 + r * ca - t * sa, 8 + r * sa + t * ca))
        teeth.append(pts)
    for pts in teeth:
        c.polygon(pts, GRAY)
    c.circle(8, 8, 5.6, GRAY)
    c.circle(8, 8, 4.6, STEEL)
    c.circle(8, 8, 2.1, (0, 0, 0, 0))
    c.ring(8, 8, 2.3, 0.9, GRAY)
    return c


def properties(size):
    c = Canvas(size)
    sheet(c)
    for y in (4, 7.5, 11):
        c.rect(4.6, y - 0.9, 6.4, y + 0.9, BLUE, radius=0.3)
        c.line(7.8, y, 10.6, y, 0.9, LINES)
    return c


def rename(size):
    c = Canvas(size)
    c.rect(0.5, 4, 15.5, 12, EDGE, radius=0.6)
    c.rect(1.4, 4.9, 14.6, 11.1, WHITE, radius=0.3)
    c.rect(2.8, 6.6, 8.6, 9.4, (150, 190, 240, 255))
    c.line(10.5, 5.5, 10.5, 10.5, 1.0, DARK)
    c.line(9.3, 5.5, 11.7, 5.5, 0.9, DARK)
    c.line(9.3, 10.5, 11.7, 10.5, 0.9, DARK)
    return c


def edit(size):
    c = Canvas(size)
    sheet(c, 1.5, 0.5, 11.5, 15.5)
    text_lines(c, 3.8, 9.2, (3.5, 5.5, 7.5))
    # A pencil across the sheet.
    c.polygon([(6.2, 13.8), (7.0, 11.0), (13.6, 4.4), (15.4, 6.2), (8.8, 12.8)], (232, 160, 40, 255))
    c.polygon([(13.6, 4.4), (14.4, 3.6), (16.2, 5.4), (15.4, 6.2)], (220, 110, 120, 255))
    c.polygon([(6.2, 13.8), (7.0, 11.0), (8.8, 12.8)], (240, 220, 180, 255))
    c.polygon([(6.2, 13.8), (6.6, 12.4), (7.6, 13.4)], DARK)
    return c


def text_file(size):
    c = Canvas(size)
    sheet(c)
    text_lines(c, 4.6, 10.4, (3.8, 6.0, 8.2, 10.4, 12.6), (110, 120, 135, 255))
    return c


def csv_file(size):
    c = Canvas(size)
    sheet(c)
    grid = (60, 140, 70, 255)
    c.rect(4.2, 3.4, 10.8, 12.6, (222, 240, 222, 255))
    for y in (3.4, 6.4, 9.5, 12.6):
        c.line(4.2, y, 10.8, y, 0.7, grid)
    for x in (4.2, 7.5, 10.8):
        c.line(x, 3.4, x, 12.6, 0.7, grid)
    return c


def clipboard(size):
    c = Canvas(size)
    c.rect(1.5, 2, 14.5, 15.5, WOOD, radius=1.0)
    c.rect(3.2, 4, 12.8, 14, PAPER, radius=0.3)
    text_lines(c, 4.8, 11.2, (7.0, 9.2, 11.4))
    c.rect(5, 0.8, 11, 4.6, STEEL, radius=0.8)
    c.rect(6.6, 1.6, 9.4, 2.8, (90, 96, 106, 255), radius=0.4)
    return c


def select_all(size):
    c = Canvas(size)
    for y in (2.5, 6.5, 10.5):
        c.rect(1.5, y, 14.5, y + 3, (150, 190, 240, 255), radius=0.4)
        c.line(3.5, y + 1.5, 11, y + 1.5, 0.9, DARK)
    return c


def invert_selection(size):
    c = Canvas(size)
    for i, y in enumerate((2.5, 6.5, 10.5)):
        c.rect(1.5, y, 14.5, y + 3, (150, 190, 240, 255) if i != 1 else (0, 0, 0, 0), radius=0.4)
        if i == 1:
            c.frame(1.5, y, 14.5, y + 3, 0.6, EDGE, radius=0.4)
        c.line(3.5, y + 1.5, 11, y + 1.5, 0.9, DARK)
    return c


def folder(size):
    c = Canvas(size)
    c.polygon([(0.8, 2.8), (5.6, 2.8), (7.2, 4.4), (15.2, 4.4), (15.2, 13.6), (0.8, 13.6)], FOLDER_EDGE)
    c.polygon([(1.6, 3.6), (5.2, 3.6), (6.8, 5.2), (14.4, 5.2), (14.4, 12.8), (1.6, 12.8)], FOLDER)
    c.line(1.8, 6.4, 14.2, 6.4, 0.7, (255, 230, 150, 255))
    return c


def cut(size):
    c = Canvas(size)
    c.line(5.2, 0.8, 10.4, 10.2, 1.3, STEEL)
    c.line(10.8, 0.8, 5.6, 10.2, 1.3, STEEL)
    c.ring(4.6, 12.2, 2.8, 1.2, RED)
    c.ring(11.4, 12.2, 2.8, 1.2, RED)
    c.circle(8, 6.6, 0.7, DARK)
    return c


def copy(size):
    c = Canvas(size)
    sheet(c, 0.8, 0.5, 9.8, 11.5)
    text_lines(c, 2.8, 7.8, (3.4, 5.4, 7.4))
    sheet(c, 6.2, 4.5, 15.2, 15.5)
    text_lines(c, 8.2, 13.2, (7.4, 9.4, 11.4, 13.4))
    return c


def delete(size):
    c = Canvas(size)
    c.line(3, 3, 13, 13, 3.2, DARK_RED)
    c.line(13, 3, 3, 13, 3.2, DARK_RED)
    c.line(3.3, 3.3, 12.7, 12.7, 2.0, RED)
    c.line(12.7, 3.3, 3.3, 12.7, 2.0, RED)
    return c


# The action image list, in index order (the indices are fixed: the actions refer to them).
ACTIONS = [about, search, stop, help_, open_folder, gear, properties, rename, edit, text_file,
           csv_file, clipboard, select_all, invert_selection, folder, cut, copy, delete]


def light(colour, shade):
    def draw(size):
        c = Canvas(size)
        c.circle(8, 8, 6.6, shade)
        c.circle(8, 8, 5.6, colour)
        c.circle(6.6, 6.2, 2.2, (255, 255, 255, 150))
        return c
    return draw


STATUS = [light((60, 200, 70, 255), (30, 110, 40, 255)),
          light((230, 50, 40, 255), (130, 25, 20, 255)),
          light((170, 170, 170, 255), (100, 100, 100, 255)),
          open_folder]


def settings_window(size):
    c = Canvas(size)
    c.rect(0.5, 1.5, 13.5, 12.5, EDGE, radius=0.8)
    c.rect(1.3, 2.3, 12.7, 4.3, BLUE, radius=0.4)
    c.rect(1.3, 4.3, 12.7, 11.7, PAPER)
    for y in (6.2, 9.0):
        c.rect(2.6, y - 0.9, 4.4, y + 0.9, WHITE)
        c.frame(2.6, y - 0.9, 4.4, y + 0.9, 0.5, EDGE)
        c.line(5.6, y, 10.6, y, 0.8, LINES)
    c.line(2.9, 6.2, 3.4, 6.8, 0.6, GREEN)
    c.line(3.4, 6.8, 4.2, 5.4, 0.6, GREEN)
    # A small gear over the corner.
    for k in range(8):
        a = math.radians(45 * k)
        ca, sa = math.cos(a), math.sin(a)
        c.polygon([(11.6 + r * ca - t * sa, 11.6 + r * sa + t * ca)
                   for (r, t) in ((2.2, -0.7), (4.0, -0.6), (4.0, 0.6), (2.2, 0.7))], GRAY)
    c.circle(11.6, 11.6, 3.0, GRAY)
    c.circle(11.6, 11.6, 2.4, STEEL)
    c.circle(11.6, 11.6, 1.0, (0, 0, 0, 0))
    return c


def padlock(size):
    c = Canvas(size)
    c.ring(8, 6.2, 3.6, 1.5, STEEL)
    c.ring(8, 6.2, 3.6, 0.5, GRAY)
    c.rect(2.5, 6.5, 13.5, 15.2, (200, 150, 40, 255), radius=1.0)
    c.rect(3.3, 7.3, 12.7, 14.4, (236, 190, 70, 255), radius=0.6)
    c.circle(8, 10.2, 1.3, DARK)
    c.line(8, 10.5, 8, 12.8, 1.0, DARK)
    return c


# The Preferences dialog's tabs: General, Privacy, Editor.
PAGES = [settings_window, padlock, edit]
PAGE_SIZES = (32, 40, 48, 64)


if __name__ == '__main__':
    write_ico('quarrow.ico', [program_icon(s) for s in (16, 32, 48)])
    for s in SIZES:
        write_strip_bmp('actions%d.bmp' % s, [draw(s) for draw in ACTIONS])
        write_strip_bmp('status%d.bmp' % s, [draw(s) for draw in STATUS])
    for s in PAGE_SIZES:
        write_strip_bmp('pages%d.bmp' % s, [draw(s) for draw in PAGES])
