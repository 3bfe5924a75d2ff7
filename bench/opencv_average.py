"""The averaging as a Python script does it with OpenCV and NumPy.

usage: opencv_average.py [--tuned] VIDEO OUTPUT

By default the script is written the way such scripts usually are: each
frame's blue channel converted to floating point, added to double-precision
sums, and a new maxima array made per frame. With --tuned it keeps integer
sums and updates both arrays in place.
"""
import sys

import cv2
import numpy as np


def frames(video):
    capture = cv2.VideoCapture(video)
    while True:
        ok, frame = capture.read()
        if not ok:
            return
        yield frame


def typical(video):
    sums = maxima = None
    count = 0
    for frame in frames(video):
        blue = frame[:, :, 0].astype(np.float64)
        if sums is None:
            sums = np.zeros_like(blue)
            maxima = np.zeros_like(blue)
        sums += blue
        maxima = np.maximum(maxima, blue)
        count += 1
    if count < 2:
        return np.zeros(maxima.shape, np.uint8)
    return ((sums - maxima) / (count - 1)).astype(np.uint8)


def tuned(video):
    sums = maxima = None
    count = 0
    for frame in frames(video):
        blue = frame[:, :, 0]
        if sums is None:
            sums = np.zeros(blue.shape, np.uint64)
            maxima = np.zeros(blue.shape, np.uint8)
        sums += blue
        np.maximum(maxima, blue, out=maxima)
        count += 1
    if count < 2:
        return np.zeros_like(maxima)
    return ((sums - maxima) // (count - 1)).astype(np.uint8)


def main():
    arguments = sys.argv[1:]
    average = typical
    if arguments[0] == "--tuned":
        average = tuned
        arguments = arguments[1:]
    video, output = arguments
    cv2.imwrite(output, average(video))


if __name__ == "__main__":
    main()
