"""Makes docs/comparison.png from the demo clip and its averaged bitmap:
one frame of the clip, the plain mean, the median and aviavg's result, and
prints how far each strays from the still scene where the ball passed.

usage: python3 docs/make_comparison.py build/demo/street.avi build/demo/streetS.bmp docs/comparison.png
"""
import sys

import cv2
import numpy as np


def main():
    clip, bitmap, output = sys.argv[1:]
    capture = cv2.VideoCapture(clip)
    frames = []
    while True:
        ok, frame = capture.read()
        if not ok:
            break
        frames.append(frame[:, :, 0])
    blue = np.stack(frames).astype(np.int64)
    mean = (blue.sum(axis=0) // len(frames)).astype(np.uint8)
    median = np.median(blue, axis=0).astype(np.uint8)
    aviavg = cv2.imread(bitmap, cv2.IMREAD_GRAYSCALE)

    # Where the ball passed, the scene is what most frames show.
    scene = median.astype(np.int64)
    path = (blue.max(axis=0) - blue.min(axis=0)) > 0
    for name, picture in (("plain mean", mean), ("median", median), ("aviavg", aviavg)):
        error = np.abs(picture.astype(np.int64) - scene)[path]
        print(f"{name}: off by up to {error.max()} grey levels on the ball's path")

    panels = [frames[len(frames) // 2], mean, median, aviavg]
    labels = ["one frame", "plain mean", "median", "aviavg"]
    tiles = []
    for panel, label in zip(panels, labels):
        tile = cv2.cvtColor(panel, cv2.COLOR_GRAY2BGR)
        cv2.putText(tile, label, (8, 230), cv2.FONT_HERSHEY_SIMPLEX, 0.6, (0, 0, 255), 2)
        tiles.append(tile)
    cv2.imwrite(output, np.vstack([np.hstack(tiles[:2]), np.hstack(tiles[2:])]))


if __name__ == "__main__":
    main()
