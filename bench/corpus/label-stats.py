#!/usr/bin/python3
"""Pixel numbers for labelling corpus pictures by hand; a labelling aid, not run by the build or CI (needs numpy and PIL)."""
import sys
import numpy as np
from PIL import Image


def srgb_to_lab(rgb):
    c = rgb / 255.0
    c = np.where(c <= 0.04045, c / 12.92, ((c + 0.055) / 1.055) ** 2.4)
    m = np.array([[0.4124, 0.3576, 0.1805], [0.2126, 0.7152, 0.0722], [0.0193, 0.1192, 0.9505]])
    xyz = c @ m.T
    xyz /= np.array([0.95047, 1.0, 1.08883])
    f = np.where(xyz > 0.008856, np.cbrt(xyz), 7.787 * xyz + 16 / 116)
    L = 116 * f[:, 1] - 16
    a = 500 * (f[:, 0] - f[:, 1])
    b = 200 * (f[:, 1] - f[:, 2])
    return L, a, b


def stats(path):
    im = Image.open(path)
    mode = im.mode
    info = f"{im.format} {mode} {im.size[0]}x{im.size[1]}"
    rgba = np.asarray(im.convert("RGBA")).reshape(-1, 4).astype(np.float64)
    alpha = rgba[:, 3]
    raw = rgba[:, :3]
    spread_raw = raw.max(1) - raw.min(1)
    out = [info]
    if mode in ("RGBA", "LA", "PA") or "transparency" in im.info:
        hidden = alpha < 16
        out.append(f"alpha<255 {np.mean(alpha < 255) * 100:.1f}% hidden {np.mean(hidden) * 100:.1f}% "
                   f"hidden-coloured(spread>30) {np.sum(hidden & (spread_raw > 30))}")
    a = alpha[:, None] / 255.0
    rgb = raw * a + 255 * (1 - a)
    sp = rgb.max(1) - rgb.min(1)
    n = len(sp)
    out.append("spread>10/30/60 %.1f/%.1f/%.2f%% max %d" % (
        np.mean(sp > 10) * 100, np.mean(sp > 30) * 100, np.mean(sp > 60) * 100, sp.max()))
    L, A, B = srgb_to_lab(rgb)
    C = np.hypot(A, B)
    out.append("chroma p50/p90/p99/max %.1f/%.1f/%.1f/%.1f  n(C>15)=%d n(C>30)=%d (%.2f%%)" % (
        np.percentile(C, 50), np.percentile(C, 90), np.percentile(C, 99), C.max(),
        np.sum(C > 15), np.sum(C > 30), np.mean(C > 30) * 100))
    m = C > 8
    if m.sum() > 20:
        h = np.arctan2(B[m], A[m])
        R = np.hypot(np.mean(np.cos(h)), np.mean(np.sin(h)))
        mh = np.degrees(np.arctan2(np.mean(np.sin(h)), np.mean(np.cos(h))))
        # toning fit: how well a,b follow L (residual of per-L-bin means)
        bins = np.clip((L / 100 * 20).astype(int), 0, 19)
        res = np.zeros(n)
        for k in range(20):
            s = bins == k
            if s.any():
                res[s] = np.hypot(A[s] - A[s].mean(), B[s] - B[s].mean())
        out.append("hue(C>8) mean %.0f deg concentration %.2f; toning residual p50/p90/p99 %.1f/%.1f/%.1f" % (
            mh, R, np.percentile(res, 50), np.percentile(res, 90), np.percentile(res, 99)))
    return " | ".join(out)


if __name__ == "__main__":
    for p in sys.argv[1:]:
        try:
            print(p, "::", stats(p))
        except Exception as e:  # noqa
            print(p, ":: ERROR", e)
