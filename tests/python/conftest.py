# Shared by the module's tests: the command-line tool run on points written as text,
# and its output lines rendered from the module's values with the tool's own masks.
import os
import subprocess
from decimal import ROUND_HALF_UP, Decimal

import numpy as np
import pytest

import nivora2015

CLI = os.environ.get("NIVORA_CLI", "nivora2015-cli")


def executar_cli(linhas, *opcoes):
    """The CLI's output lines (Windows-1252 decoded, CR LF checked and removed)."""
    feito = subprocess.run([CLI, "-q", *opcoes], input="\n".join(linhas).encode() + b"\n",
                           capture_output=True, check=True)
    texto = feito.stdout.decode("cp1252")
    assert texto.endswith("\r\n") and texto.count("\r\n") == texto.count("\n")
    return texto[:-2].split("\r\n")


def mascara(valores, casas):
    """What the masks "#0.00" (casas=2) and "#0.000" (casas=3) write for three-decimal
    values given as the doubles nearest to them: half away from zero on the exact
    decimal, no "-" on a value that rounds to zero."""
    milesimos = np.rint(np.asarray(valores, dtype=np.float64) * 1000).astype(np.int64)
    q = (np.abs(milesimos) + (5 if casas == 2 else 0)) // (10 if casas == 2 else 1)
    base = 10**casas
    return [("-" if m < 0 and v else "") + f"{v // base}.{v % base:0{casas}d}"
            for m, v in zip(milesimos.tolist(), q.tolist())]


def coordenada(texto):
    """A coordinate as the rejection line writes it: "#0.0000", 12 wide."""
    d = Decimal(texto).quantize(Decimal("0.0001"), ROUND_HALF_UP)
    return str(d if d else abs(d)).rjust(12)


def linhas_cli(lats, lons, n, outra, codigos):
    """The lines the CLI writes for layout 0,H: N and the other height, or the
    rejection line of a refused point."""
    n2, h3 = mascara(np.nan_to_num(n), 2), mascara(np.nan_to_num(outra), 3)
    return [a.rjust(12) + "  " + b.rjust(12) if c == 0 else
            coordenada(la) + "  " + coordenada(lo) + "|" + nivora2015.mensagem(c)
            for la, lo, a, b, c in zip(lats, lons, n2, h3, np.asarray(codigos).tolist())]


@pytest.fixture(scope="session")
def modelo():
    return nivora2015.Modelo()
