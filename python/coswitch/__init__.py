"""coswitch: gene pairs whose hidden low/high states switch together.

``coswitch.scan(data, time=..., replicate=..., **settings)`` runs the
analysis of ``coswitch scan`` on a pandas DataFrame (genes x samples) or an
AnnData (samples x genes) and returns a :class:`Result` whose ``pairs`` and
``genes`` are the program's pairs.tsv and genes.tsv as DataFrames; the same
numbers, bit for bit, as the command line on the same values.
"""
from ._coswitch import version as _version
from ._errors import Error
from ._scan import Result, scan

__version__ = _version()
__all__ = ["scan", "Result", "Error", "__version__"]
