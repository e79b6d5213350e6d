#!/usr/bin/env python3
"""Draws the text style bar's button images into resources/TextStyleButtons (22 x 22 PNG, RGBA).

Each image exists twice: "<name>.png" dark on clear, "<name>_selected.png" white on a dark rounded
square. Shapes are drawn four times larger and scaled down, so their edges are smooth. Needs
ImageMagick's convert and the DejaVu fonts (Debian's imagemagick and fonts-dejavu-core). Run from the
repository's top folder."""
import os
import subprocess

SIZE = 22
SCALE = 4
FONTS = '/usr/share/fonts/truetype/dejavu/'


def letter(font, text, size=64, dy=0):
    return ['-font', FONTS + font, '-pointsize', str(size), '-gravity', 'center',
            '-annotate', f'+0+{dy}', text, '-gravity', 'northwest']


def lines(widths, x_of):
    """Horizontal bars of the given widths (in 22ths), one every 4 units, placed by x_of(width)."""
    draw = []
    for i, width in enumerate(widths):
        y = 5 + i * 4
        x = x_of(width)
        draw += ['-draw', f'rectangle {x * SCALE},{y * SCALE} {(x + width) * SCALE - 1},{(y + 2) * SCALE - 1}']
    return draw


def rect(x0, y0, x1, y1):
    return ['-draw', f'rectangle {x0 * SCALE},{y0 * SCALE} {x1 * SCALE - 1},{y1 * SCALE - 1}']


FULL = [16, 10, 16, 12]
SHAPES = {
    'bold': letter('DejaVuSans-Bold.ttf', 'B'),
    'italic': letter('DejaVuSerif-Italic.ttf', 'I'),
    'underline': letter('DejaVuSans.ttf', 'U', 56, -6) + rect(5, 18, 17, 19),
    'strikethrough': letter('DejaVuSans.ttf', 'S', 68) + rect(4, 11, 18, 12),
    'align_left': lines(FULL, lambda w: 3),
    'align_center': lines(FULL, lambda w: 3 + (16 - w) // 2),
    'align_justify': lines([16, 16, 16, 10], lambda w: 3),
    'align_right': lines(FULL, lambda w: 19 - w),
    'table': ['-fill', 'none', '-strokewidth', str(SCALE * 1.5), '-draw',
              f'rectangle {3 * SCALE},{4 * SCALE} {19 * SCALE},{18 * SCALE}',
              '-draw', f'line {3 * SCALE},{11 * SCALE} {19 * SCALE},{11 * SCALE}',
              '-draw', f'line {11 * SCALE},{4 * SCALE} {11 * SCALE},{18 * SCALE}'],
    'list': sum(([
        '-draw', f'circle {5 * SCALE},{y * SCALE + SCALE} {5 * SCALE + 6},{y * SCALE + SCALE}',
        *rect(8, y, 19, y + 2)] for y in (5, 10, 15)), []),
    'link': ['-fill', 'none', '-strokewidth', str(SCALE * 1.6),
             '-draw', f'translate {8 * SCALE},{14 * SCALE} rotate -45 roundrectangle {-5 * SCALE},{-2.5 * SCALE} '
                      f'{5 * SCALE},{2.5 * SCALE} {2.5 * SCALE},{2.5 * SCALE}',
             '-draw', f'translate {14 * SCALE},{8 * SCALE} rotate -45 roundrectangle {-5 * SCALE},{-2.5 * SCALE} '
                      f'{5 * SCALE},{2.5 * SCALE} {2.5 * SCALE},{2.5 * SCALE}'],
}


def draw(name, selected, path):
    big = SIZE * SCALE
    ink = 'white' if selected else '#3c3c3c'
    command = ['convert', '-size', f'{big}x{big}', 'xc:none']
    if selected:
        command += ['-fill', '#5a5a5a', '-draw', f'roundrectangle {SCALE},{SCALE} {big - SCALE - 1},{big - SCALE - 1} '
                                                  f'{3 * SCALE},{3 * SCALE}']
    command += ['-fill', ink, '-stroke', ink if '-strokewidth' in SHAPES[name] else 'none']
    command += SHAPES[name]
    command += ['-filter', 'Box', '-resize', f'{SIZE}x{SIZE}', '-strip', f'PNG32:{path}']
    subprocess.run(command, check=True)


def main():
    folder = os.path.join('resources', 'TextStyleButtons')
    os.makedirs(folder, exist_ok=True)
    for name in SHAPES:
        for selected in (False, True):
            draw(name, selected, os.path.join(folder, name + ('_selected' if selected else '') + '.png'))


if __name__ == '__main__':
    main()
