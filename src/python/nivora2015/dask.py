"""Em escala: a ondulação e as alturas de DataFrames e arrays do Dask, partição por partição.

O mesmo cálculo de nivora2015, aplicado a cada partição (ou bloco) pelo escalonador do
Dask: numa máquina, ou num cluster pelo escalonador distribuído::

    import dask.dataframe as dd
    from distributed import Client
    import nivora2015.dask as nd

    client = Client("tcp://10.0.0.5:8786")          # o escalonador do seu cluster
    pontos = dd.read_csv("pontos-*.csv", float_precision="round_trip")
    com_n = nd.ondulacao_df(pontos, lat="lat", lon="lon", h="h")   # colunas N e H
    com_n.to_csv("saida-*.csv", index=False)

Os workers precisam do módulo nivora2015 (pacote python3-nivora2015) e da grade:
com ``modelo=None`` cada worker usa a grade padrão da sua instalação; um Modelo dado
vai por pickle com o SHA-256 da grade, e um worker cuja grade difere o recusa.

Leia os CSV com ``float_precision="round_trip"``: o conversor padrão do pandas nem
sempre dá o float64 mais próximo do texto, e os números seriam os de outro ponto.
Cada tarefa calcula numa thread (``threads=1``): o Dask já reparte as partições entre
os workers e as threads deles.
"""

from __future__ import annotations

import numpy as np

import nivora2015 as _nv

__all__ = ["ondulacao_df", "ondulacao_array", "altura_ortometrica_array",
           "altura_elipsoidal_array"]

_ALTURAS = {"elipsoidal": "H", "ortometrica": "h"}


def _novas_colunas(h, altura, codigos):
    if altura not in _ALTURAS:
        raise ValueError(f"altura: 'elipsoidal' ou 'ortometrica', não {altura!r}")
    colunas = {"N": np.float64}
    if h is not None:
        colunas[_ALTURAS[altura]] = np.float64
    if codigos:
        colunas["codigo"] = np.int32
    return colunas


def _particao(pdf, lat, lon, h, altura, modelo, codigos, threads):
    modelo = modelo if modelo is not None else _nv._modelo_padrao()
    la, lo = pdf[lat].to_numpy(), pdf[lon].to_numpy()
    if h is None:
        n, c = modelo.ondulacao(la, lo, codigos=True, threads=threads)
        novas = {"N": n}
    else:
        # N and the other height in one pass (one query per point).
        pedido = _nv._ORTOMETRICA if altura == "elipsoidal" else _nv._ELIPSOIDAL
        outra, _, n, c = modelo._nucleo.calcular(pedido, la, lo, pdf[h].to_numpy(), True,
                                                 False, threads, com_n=True)
        novas = {"N": n, _ALTURAS[altura]: outra}
    if codigos:
        novas["codigo"] = c
    return pdf.assign(**novas)


def ondulacao_df(df, lat="lat", lon="lon", h=None, *, altura="elipsoidal", modelo=None,
                 codigos=False, threads=1):
    """Acrescenta a um DataFrame do Dask (ou do pandas) a coluna N e, com ``h``, a outra
    altura, partição por partição.

    lat, lon: nomes das colunas das coordenadas (graus decimais).
    h: nome da coluna de altura, ou None. ``altura="elipsoidal"`` (padrão): ela traz h
       (GNSS) e a coluna nova é H = h - N; ``altura="ortometrica"``: ela traz H
       (nivelamento) e a coluna nova é h = H + N. Como ``--altura`` de nivora2015-cli.
    modelo: um nivora2015.Modelo, ou None para a grade padrão de cada worker.
    codigos: acrescenta também a coluna "codigo" (int32, veja nivora2015.Codigo).
    threads: threads de cada partição (1: o Dask já reparte as partições).

    Pontos recusados ficam com NaN. Colunas com os nomes das novas são substituídas,
    como em DataFrame.assign. Devolve um DataFrame do mesmo tipo (preguiçoso no Dask).
    """
    colunas = _novas_colunas(h, altura, codigos)
    faltam = [c for c in (lat, lon, h) if c is not None and c not in df.columns]
    if faltam:
        raise KeyError(f"colunas que o DataFrame não tem: {faltam}")
    argumentos = (lat, lon, h, altura, modelo, codigos, threads)
    if not hasattr(df, "map_partitions"):  # pandas
        return _particao(df, *argumentos)
    meta = df._meta.assign(**{nome: np.empty(0, tipo) for nome, tipo in colunas.items()})
    return df.map_partitions(_particao, *argumentos, meta=meta)


def _bloco(pedido, modelo, threads, *arrays):
    modelo = modelo if modelo is not None else _nv._modelo_padrao()
    return getattr(modelo, pedido)(*arrays, threads=threads)


def _mapear(pedido, arrays, modelo, threads):
    import dask.array as da

    arrays = [da.asarray(a) for a in arrays]
    vazio = np.empty((0,) * max(a.ndim for a in arrays), np.float64)
    return da.map_blocks(_bloco, pedido, modelo, threads, *arrays, dtype=np.float64,
                         meta=vazio)


def ondulacao_array(lat, lon, *, modelo=None, threads=1):
    """N (float64, NaN nos pontos recusados) de arrays do Dask, bloco por bloco; os
    arrays se combinam como no NumPy (broadcast), com blocos que se alinham."""
    return _mapear("ondulacao", (lat, lon), modelo, threads)


def altura_ortometrica_array(lat, lon, h, *, modelo=None, threads=1):
    """H = h - N de arrays do Dask, bloco por bloco (veja ondulacao_array)."""
    return _mapear("altura_ortometrica", (lat, lon, h), modelo, threads)


def altura_elipsoidal_array(lat, lon, H, *, modelo=None, threads=1):
    """h = H + N de arrays do Dask, bloco por bloco (veja ondulacao_array)."""
    return _mapear("altura_elipsoidal", (lat, lon, H), modelo, threads)
