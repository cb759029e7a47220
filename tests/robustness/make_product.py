#!/usr/bin/env python3
"""Lays out a product folder for a test installer, the same bytes on every run.

    make_product.py OUTPUT [--copy FOLDER] [--file NAME=SOURCE]... [--text NAME=TEXT]...
                           [--random FOLDER COUNT SIZE]

--copy copies a whole product folder; --file copies one file under a new name; --text writes a text;
--random adds COUNT files of SIZE bytes of incompressible data (a fixed seed) in FOLDER. Names are
relative to OUTPUT and may hold subfolders ("data/settings.ini"). OUTPUT is made anew.
"""
import argparse
import random
import shutil
from pathlib import Path


def pair(text: str) -> tuple[str, str]:
    name, _, value = text.partition("=")
    return name, value


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("output", type=Path)
    parser.add_argument("--copy", type=Path)
    parser.add_argument("--file", type=pair, action="append", default=[])
    parser.add_argument("--text", type=pair, action="append", default=[])
    parser.add_argument("--random", nargs=3, metavar=("FOLDER", "COUNT", "SIZE"))
    args = parser.parse_args()

    if args.output.exists():
        shutil.rmtree(args.output)
    if args.copy:
        shutil.copytree(args.copy, args.output)
    args.output.mkdir(parents=True, exist_ok=True)
    for name, source in args.file:
        (args.output / name).parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(source, args.output / name)
    for name, text in args.text:
        (args.output / name).parent.mkdir(parents=True, exist_ok=True)
        (args.output / name).write_bytes(text.encode("gbk") + b"\r\n")
    if args.random:
        folder, count, size = args.output / args.random[0], int(args.random[1]), int(args.random[2])
        folder.mkdir(parents=True, exist_ok=True)
        generator = random.Random(20240618)
        for number in range(1, count + 1):
            (folder / f"part-{number}.bin").write_bytes(generator.randbytes(size))


if __name__ == "__main__":
    main()
