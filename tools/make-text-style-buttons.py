#!/usr/bin/env python3
"""Draws the text style bar's button images into resources/TextStyleButtons (22 x 22 PNG, RGBA).

Each image exists twice: "<name>.png" dark on clear, "<name>_selected.png" white on a dark rounded
square. Run from the repository's top folder."""
import os
import struct
import zlib

SIZE = 22
# Glyphs on a 22 x 22 grid: '#' is ink.
GLYPHS = {
    "bold": [
        "      #######       ", "      ##    ##      ", "      ##    ##      ", "      ##   ##       ",
        "      ######        ", "      ##    ##      ", "      ##     ##     ", "      ##     ##     ",
        "      ##    ##      ", "      #######       "],
    "italic": [
        "         #####      ", "           #        ", "          #         ", "          #         ",
        "         #          ", "         #          ", "        #           ", "        #           ",
        "       #            ", "      #####         "],
    "underline": [
        "      ##    ##      ", "      ##    ##      ", "      ##    ##      ", "      ##    ##      ",
        "      ##    ##      ", "      ##    ##      ", "       ##  ##       ", "        ####        ",
        "                    ", "     ##########     "],
    "strikethrough": [
        "        #####       ", "      ##     #      ", "      ##            ", "       ###          ",
        "    ############    ", "           ##       ", "             ##     ", "      #     ##      ",
        "       #####        ", "                    "],
    "align_left": [
        "   ##############   ", "                    ", "   ##########       ", "                    ",
        "   ##############   ", "                    ", "   ########         ", "                    ",
        "   ##############   ", "                    "],
    "align_center": [
        "   ##############   ", "                    ", "     ##########     ", "                    ",
        "   ##############   ", "                    ", "      ########      ", "                    ",
        "   ##############   ", "                    "],
    "align_justify": [
        "   ##############   ", "                    ", "   ##############   ", "                    ",
        "   ##############   ", "                    ", "   ##############   ", "                    ",
        "   ########         ", "                    "],
    "align_right": [
        "   ##############   ", "                    ", "       ##########   ", "                    ",
        "   ##############   ", "                    ", "         ########   ", "                    ",
        "   ##############   ", "                    "],
    "table": [
        "   ##############   ", "   #    #   #    #   ", "   #    #   #    #   ", "   ##############   ",
        "   #    #   #    #   ", "   #    #   #    #   ", "   ##############   ", "   #    #   #    #   ",
        "   #    #   #    #   ", "   ##############   "],
    "list": [
        "   ##  #########    ", "   ##              ", "                    ", "   ##  #########    ",
        "   ##               ", "                    ", "   ##  #########    ", "   ##               ",
        "                    ", "                    "],
    "link": [
        "                    ", "     ####           ", "    #    #          ", "   #   ####         ",
        "   #  #  # #        ", "    # #  #  #       ", "       ####   #     ", "          #    #    ",
        "           ####     ", "                    "],
}


def png(pixels):
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in pixels)
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def draw(rows, selected):
    ink = (255, 255, 255, 255) if selected else (60, 60, 60, 255)
    pixels = [[(0, 0, 0, 0)] * SIZE for _ in range(SIZE)]
    if selected:
        for y in range(1, SIZE - 1):
            for x in range(1, SIZE - 1):
                corner = (x in (1, SIZE - 2)) and (y in (1, SIZE - 2))
                if not corner:
                    pixels[y][x] = (90, 90, 90, 255)
    top = 2
    for r, line in enumerate(rows):
        for c, ch in enumerate(line[:SIZE]):
            if ch != "#":
                continue
            # Each glyph row is drawn twice as tall, so ten rows fill the square.
            for dy in (0, 1):
                y = top + r * 2 + dy
                if 0 <= y < SIZE and 0 <= c + 1 < SIZE:
                    pixels[y][c + 1] = ink
    return pixels


def main():
    folder = os.path.join("resources", "TextStyleButtons")
    os.makedirs(folder, exist_ok=True)
    for name, rows in GLYPHS.items():
        for selected in (False, True):
            path = os.path.join(folder, name + ("_selected" if selected else "") + ".png")
            with open(path, "wb") as f:
                f.write(png(draw(rows, selected)))


if __name__ == "__main__":
    main()
