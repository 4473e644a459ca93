"""Judges pictures (PNG, GIF, BMP, JPEG, TIFF, WebP) as monochrome or colour.

    >>> import pallidor
    >>> pallidor.judge("scan.png").verdict
    'monochrome'
    >>> pallidor.judge(data, IS_PERCEPTUAL_JUDGE=1)      # bytes: the format from the content

`pallidor.dask` (imported on its own) judges many pictures with dask.
"""

from ._pallidor import Settings, Verdict, __version__, judge

__all__ = ["Settings", "Verdict", "judge", "__version__"]
