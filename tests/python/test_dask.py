# The Dask road: a real LocalCluster of two worker processes adds N and H to 2,000,000
# points read from 20 CSV files; written with the CLI's masks, the result is the CLI's
# output on the same points, byte for byte. And the Dask array and pandas forms.
import subprocess

import dask.array as da
import dask.dataframe as dd
import numpy as np
import pandas as pd
from distributed import Client, LocalCluster

import nivora2015
import nivora2015.dask as nd
from conftest import CLI, linhas_cli

PONTOS, PARTES = 2_000_000, 20


def textos(milionesimos, casas=6):
    return [f"{v / 10**casas:.{casas}f}" for v in milionesimos.tolist()]


def test_cluster_igual_a_cli(tmp_path):
    rng = np.random.default_rng(2015)
    # Microdegrees over a box a little larger than the model area (about 4 % refused),
    # heights in millimetres.
    lat = rng.integers(-35_000_000, 6_000_000, PONTOS)
    lon = rng.integers(-75_000_000, -34_000_000, PONTOS)
    h = rng.integers(-100_000, 3_000_000, PONTOS)
    por_parte = PONTOS // PARTES
    with open(tmp_path / "pontos.txt", "w") as cli:
        for k in range(PARTES):
            fatia = slice(k * por_parte, (k + 1) * por_parte)
            linhas = list(zip(textos(lat[fatia]), textos(lon[fatia]), textos(h[fatia], 3)))
            with open(tmp_path / f"parte-{k:02d}.csv", "w") as csv:
                csv.write("lat,lon,h\n" + "".join(f"{a},{b},{c}\n" for a, b, c in linhas))
            cli.write("".join(f"{a} {b} {c}\n" for a, b, c in linhas))
    subprocess.run([CLI, "-q", "-f", "0,H", "--altura", "elipsoidal", tmp_path / "pontos.txt",
                    tmp_path / "saida.txt"], check=True)
    esperado = (tmp_path / "saida.txt").read_bytes().split(b"\r\n")

    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, host="127.0.0.1",
                      dashboard_address=None) as cluster, Client(cluster) as cliente:
        pontos = dd.read_csv(str(tmp_path / "parte-*.csv"), float_precision="round_trip",
                             blocksize=None)
        assert pontos.npartitions == PARTES
        # The model travels to the workers by pickle.
        modelo = nivora2015.Modelo()
        feito = nd.ondulacao_df(pontos, h="h", modelo=modelo, codigos=True)
        feito = feito[["N", "H", "codigo"]].compute()
        # Both workers took part: each received the model, and kept one copy of it.
        assert cliente.run(lambda: list(nivora2015._recebidos)) == {
            w: [(None, modelo.sha256())] for w in cliente.scheduler_info()["workers"]}

    assert len(feito) == PONTOS and (feito["codigo"] != 0).mean() > 0.02
    obtido = linhas_cli(textos(lat), textos(lon), feito["N"].to_numpy(),
                        feito["H"].to_numpy(), feito["codigo"].to_numpy())
    obtido = [linha.encode("cp1252") for linha in obtido] + [b""]
    diferentes = [i for i, (a, b) in enumerate(zip(obtido, esperado)) if a != b]
    assert len(obtido) == len(esperado) and not diferentes, (
        f"{len(diferentes)} lines differ, the first: {esperado[diferentes[0]]!r} "
        f"!= {obtido[diferentes[0]]!r}" if diferentes else "line counts differ")


def test_arrays_e_pandas(modelo):
    rng = np.random.default_rng(3)
    lat, lon, h = rng.uniform(-36, 7, 5000), rng.uniform(-76, -33, 5000), rng.uniform(0, 900, 5000)
    n, c = modelo.ondulacao(lat, lon, codigos=True)
    blocos = [da.from_array(x, chunks=700) for x in (lat, lon, h)]
    np.testing.assert_array_equal(nd.ondulacao_array(*blocos[:2]).compute(), n)
    np.testing.assert_array_equal(nd.altura_elipsoidal_array(*blocos, modelo=modelo).compute(),
                                  modelo.altura_elipsoidal(lat, lon, h))
    em_grade = nd.ondulacao_array(da.from_array(lat[:50, None], chunks=20), lon[:40]).compute()
    np.testing.assert_array_equal(em_grade, modelo.ondulacao(lat[:50, None], lon[:40]))
    h[7] = np.nan  # refuses h there, not N
    df = pd.DataFrame({"y": lat, "x": lon, "H": h})
    feito = nd.ondulacao_df(df, lat="y", lon="x", h="H", altura="ortometrica", codigos=True)
    np.testing.assert_array_equal(feito["N"], n)
    np.testing.assert_array_equal(feito["h"], modelo.altura_elipsoidal(lat, lon, h))
    np.testing.assert_array_equal(feito["codigo"], c)
    assert list(feito.columns) == ["y", "x", "H", "N", "h", "codigo"]
    atrasado = nd.ondulacao_df(dd.from_pandas(df, npartitions=3), lat="y", lon="x")
    np.testing.assert_array_equal(atrasado.compute()["N"], n)
