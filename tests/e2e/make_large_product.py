#!/usr/bin/env python3
"""Lays out a large product: a copy of PRODUCT_FOLDER plus COUNT files of SIZE bytes of incompressible
data in its media/ folder, the same bytes on every run (a fixed seed).

    make_large_product.py PRODUCT_FOLDER OUTPUT_FOLDER COUNT SIZE
"""
import random
import shutil
import sys
from pathlib import Path


def main() -> int:
    product, output, count, size = Path(sys.argv[1]), Path(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
    if output.exists():
        shutil.rmtree(output)
    shutil.copytree(product, output)
    media = output / "media"
    media.mkdir()
    generator = random.Random(20240618)
    for number in range(1, count + 1):
        (media / f"part-{number:04d}.bin").write_bytes(generator.randbytes(size))
    return 0


if __name__ == "__main__":
    sys.exit(main())
