"""The averaging as a typical Python script does it with OpenCV and NumPy.

usage: opencv_average.py VIDEO OUTPUT
"""
import sys

import cv2
import numpy as np


def main():
    video, output = sys.argv[1], sys.argv[2]
    capture = cv2.VideoCapture(video)
    sums = maxima = None
    frames = 0
    while True:
        ok, frame = capture.read()
        if not ok:
            break
        blue = frame[:, :, 0]
        if sums is None:
            sums = np.zeros(blue.shape, np.uint64)
            maxima = np.zeros(blue.shape, np.uint8)
        sums += blue
        np.maximum(maxima, blue, out=maxima)
        frames += 1
    if frames < 2:
        result = np.zeros_like(maxima)
    else:
        result = ((sums - maxima) // (frames - 1)).astype(np.uint8)
    cv2.imwrite(output, result)


if __name__ == "__main__":
    main()
